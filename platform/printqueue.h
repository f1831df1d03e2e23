#pragma once
// Asking the print system about a queue before a page goes to it. Qt hands a finished page
// to the system without reporting whether it was accepted, so a queue that is gone or
// rejects jobs would swallow the page silently, and a paused, offline or failed printer
// would hold it without a word.

#include <QString>

namespace platform {

// What the print system says of one queue now.
enum class QueueState {
    Ready,      // takes the job, or the system gives no way to tell
    NotFound,   // deleted, or the print service is not running
    Rejecting,  // refuses new jobs
    Paused,     // takes the job and holds it until resumed
    Offline,    // not connected or switched off, as far as the system knows
    Failed,     // out of paper, jammed, or another error that needs a person
};

// Per system: printqueue_unix.cpp asks CUPS, printqueue_win.cpp the Windows spooler.
QueueState printQueueState(const QString &printer);

// What a state means for the operator, in Japanese; empty for Ready.
QString queueStateText(QueueState state);

}  // namespace platform
