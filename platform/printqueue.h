#pragma once
// Asking the print service whether a queue takes jobs. Qt hands a finished page to CUPS
// without reporting whether CUPS accepted it, so a queue that rejects jobs, a stopped one
// or a scheduler that is not running would swallow the page silently.

#include <QString>

namespace platform {

// Why `printer` would not take a job now, in Japanese; empty when it would, or when the
// system gives no way to tell (there the print itself reports what it can).
QString printQueueRefusal(const QString &printer);

}  // namespace platform
