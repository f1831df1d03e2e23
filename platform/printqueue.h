#pragma once
// Asking the print system whether a queue takes jobs. Qt hands a finished page to the
// system without reporting whether it was accepted, so a queue that rejects jobs, a paused
// or offline printer, or a print service that is not running would swallow the page silently.

#include <QString>

namespace platform {

// What the print system says of one queue now.
enum class QueueState {
    Ready,      // takes the job, or the system gives no way to tell
    NotFound,   // deleted, or the print service is not running
    Rejecting,  // refuses new jobs
    Paused,     // takes the job and holds it until resumed
    Offline,    // not connected or switched off
    Failed,     // out of paper, jammed, or another error that needs a person
};

// Per system: printqueue_unix.cpp asks CUPS, printqueue_win.cpp the Windows spooler.
QueueState printQueueState(const QString &printer);

// Why `printer` would not take a job now, in Japanese; empty when it would.
QString printQueueRefusal(const QString &printer);

}  // namespace platform
