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
#endif

QString printQueueRefusal(const QString &printer)
{
#ifdef LOTARIN_HAVE_CUPS
    static const Cups cups;
    if (printer.isEmpty() || !cups.loaded())
        return {};
    // The scheduler is asked about this one queue, now; a scheduler that is not running
    // and a queue that was deleted both leave it unknown.
    cups_dest_t *dest = cups.getNamedDest(CUPS_HTTP_DEFAULT, printer.toUtf8().constData(), nullptr);
    if (!dest)
        return QStringLiteral("印刷サービスがこのプリンターを見つけられません（印刷サービスが停止しているか、"
                              "プリンターが削除されています）。");
    const char *accepting = cups.getOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    const char *state = cups.getOption("printer-state", dest->num_options, dest->options);
    const bool rejecting = accepting && std::strcmp(accepting, "true") != 0;
    const bool stopped = state && std::atoi(state) == IPP_PSTATE_STOPPED;
    cups.freeDests(1, dest);
    if (rejecting)
        return QStringLiteral("プリンターが印刷を受け付けていません（印刷キューが停止されています）。");
    // A stopped queue takes the job and holds it: nothing would come out until it is restarted.
    if (stopped)
        return QStringLiteral("プリンターが一時停止しています（印刷キューを再開するまで印刷されません）。");
    return {};
#else
    // Elsewhere the print itself reports what it can.
    Q_UNUSED(printer);
    return {};
#endif
}

}  // namespace platform
