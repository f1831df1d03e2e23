// Print queues on Windows: what the spooler says of the printer.
#include "platform/printqueue_win.h"
#include "platform/printqueue.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

namespace platform {
namespace {

std::optional<SpoolerAnswer> askSpooler(const QString &printer)
{
    std::wstring name = printer.toStdWString();
    HANDLE h = nullptr;
    if (!OpenPrinterW(name.data(), &h, nullptr))
        return std::nullopt;
    DWORD needed = 0;
    GetPrinterW(h, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed ? needed : 1);
    std::optional<SpoolerAnswer> answer;
    if (needed && GetPrinterW(h, 2, buffer.data(), needed, &needed)) {
        const auto *info = reinterpret_cast<const PRINTER_INFO_2W *>(buffer.data());
        answer = SpoolerAnswer{info->Status, info->Attributes};
    } else {
        answer = SpoolerAnswer{};  // it exists; what it says cannot be read
    }
    ClosePrinter(h);
    return answer;
}

SpoolerQuery &query()
{
    static SpoolerQuery q;
    return q;
}

}  // namespace

void setSpoolerQuery(SpoolerQuery q)
{
    query() = std::move(q);
}

QueueState printQueueState(const QString &printer)
{
    const std::optional<SpoolerAnswer> answer = query() ? query()(printer) : askSpooler(printer);
    if (!answer || (answer->status & PRINTER_STATUS_PENDING_DELETION))
        return QueueState::NotFound;
    if (answer->status & PRINTER_STATUS_PAUSED)
        return QueueState::Paused;
    if ((answer->status & (PRINTER_STATUS_OFFLINE | PRINTER_STATUS_NOT_AVAILABLE | PRINTER_STATUS_SERVER_UNKNOWN))
        || (answer->attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE))
        return QueueState::Offline;
    constexpr DWORD needsAPerson = PRINTER_STATUS_ERROR | PRINTER_STATUS_PAPER_JAM | PRINTER_STATUS_PAPER_OUT
                                   | PRINTER_STATUS_PAPER_PROBLEM | PRINTER_STATUS_NO_TONER | PRINTER_STATUS_DOOR_OPEN
                                   | PRINTER_STATUS_USER_INTERVENTION | PRINTER_STATUS_OUT_OF_MEMORY;
    return (answer->status & needsAPerson) ? QueueState::Failed : QueueState::Ready;
}

}  // namespace platform
