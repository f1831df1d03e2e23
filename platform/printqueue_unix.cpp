// Print queues on systems that print through CUPS.
#include "platform/printqueue.h"

#ifdef LOTARIN_HAVE_CUPS
#include <QLibrary>

#include <cups/cups.h>

#include <cstdlib>
#include <cstring>
#endif

namespace platform {

#ifdef LOTARIN_HAVE_CUPS
namespace {

// libcups is loaded when the first page is printed, not linked: it brings a score of
// libraries (TLS, Kerberos, Avahi) that would all load, and cost, at every start-up.
struct Cups {
    decltype(&cupsGetNamedDest) getNamedDest = nullptr;
    decltype(&cupsGetOption) getOption = nullptr;
    decltype(&cupsFreeDests) freeDests = nullptr;

    Cups()
    {
        QLibrary library(QStringLiteral("cups"), 2);
        getNamedDest = reinterpret_cast<decltype(getNamedDest)>(library.resolve("cupsGetNamedDest"));
        getOption = reinterpret_cast<decltype(getOption)>(library.resolve("cupsGetOption"));
        freeDests = reinterpret_cast<decltype(freeDests)>(library.resolve("cupsFreeDests"));
    }
    bool loaded() const { return getNamedDest && getOption && freeDests; }
};

}  // namespace

QueueState printQueueState(const QString &printer)
{
    static const Cups cups;
    if (!cups.loaded())
        return QueueState::Ready;
    // Qt names an instance of a queue "queue/instance"; CUPS takes the two apart.
    const qsizetype slash = printer.indexOf(u'/');
    const QByteArray queue = printer.left(slash).toUtf8();
    const QByteArray instance = slash < 0 ? QByteArray() : printer.mid(slash + 1).toUtf8();
    // The scheduler is asked about this one queue, now; a scheduler that is not running
    // and a queue that was deleted both leave it unknown.
    cups_dest_t *dest =
        cups.getNamedDest(CUPS_HTTP_DEFAULT, queue.constData(), slash < 0 ? nullptr : instance.constData());
    if (!dest)
        return QueueState::NotFound;
    const char *accepting = cups.getOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    const char *state = cups.getOption("printer-state", dest->num_options, dest->options);
    const bool rejecting = accepting && std::strcmp(accepting, "true") != 0;
    const bool stopped = state && std::atoi(state) == IPP_PSTATE_STOPPED;
    cups.freeDests(1, dest);
    if (rejecting)
        return QueueState::Rejecting;
    // A stopped queue takes the job and holds it: nothing would come out until it is restarted.
    return stopped ? QueueState::Paused : QueueState::Ready;
}

#else

// Without CUPS the print itself reports what it can.
QueueState printQueueState(const QString &)
{
    return QueueState::Ready;
}

#endif

}  // namespace platform
