#pragma once
// The Windows spooler's answer about one printer, and the seam that hands the code that
// answer: Wine's spooler reports every printer as ready whatever its queue says.

#include <QString>

#include <functional>
#include <optional>

namespace platform {

struct SpoolerAnswer {
    quint32 status = 0;      // PRINTER_INFO_2::Status, PRINTER_STATUS_* bits
    quint32 attributes = 0;  // PRINTER_INFO_2::Attributes, PRINTER_ATTRIBUTE_* bits
};
// Nothing when the spooler does not know the printer.
using SpoolerQuery = std::function<std::optional<SpoolerAnswer>(const QString &printer)>;

// Replaces the spooler for tests; an empty query asks the spooler again.
void setSpoolerQuery(SpoolerQuery query);

}  // namespace platform
