#include "platform/printqueue.h"

#ifdef LOTARIN_HAVE_CUPS
#include <cups/cups.h>

#include <cstdlib>
#include <cstring>
#endif

namespace platform {

QString printQueueRefusal(const QString &printer)
{
#ifdef LOTARIN_HAVE_CUPS
    if (printer.isEmpty())
        return {};
    // The scheduler is asked about this one queue, now; a scheduler that is not running
    // and a queue that was deleted both leave it unknown.
    cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, printer.toUtf8().constData(), nullptr);
    if (!dest)
        return QStringLiteral("印刷サービスがこのプリンターを見つけられません（印刷サービスが停止しているか、"
                              "プリンターが削除されています）。");
    const char *accepting = cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    const char *state = cupsGetOption("printer-state", dest->num_options, dest->options);
    const bool rejecting = accepting && std::strcmp(accepting, "true") != 0;
    const bool stopped = state && std::atoi(state) == IPP_PSTATE_STOPPED;
    cupsFreeDests(1, dest);
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
