#pragma once
// What the system said of a print job while Qt ran it, beyond what Qt passes on.
//
// Qt 6.4's Windows print engine keeps two things to itself. QPainter::begin() fails alike
// whether the operator cancelled the file dialog of a print-to-file printer (Microsoft
// Print to PDF asks for the file name inside StartDoc, which then fails with
// ERROR_CANCELLED) or the printer could not start the job; and QPainter::end() succeeds
// even when EndPage or EndDoc failed, the page lost. The engine reports each of these
// failures only as a critical message carrying the system's reason (qErrnoWarning); the
// error code itself is gone by the time begin() or end() returns, overwritten by the calls
// made since. A watch reads those messages. Other engines send none, and a test's engine
// sends them as the Windows engine does.

#include <QString>
#include <QThread>

namespace platform {

// Watches the print job of this thread from construction, before QPainter::begin(), to
// destruction, after QPainter::end(). Messages pass on to the handler installed before.
class PrintJobWatch {
public:
    PrintJobWatch();
    ~PrintJobWatch();
    PrintJobWatch(const PrintJobWatch &) = delete;
    PrintJobWatch &operator=(const PrintJobWatch &) = delete;

    // The job did not begin because the operator cancelled the printer's own dialog.
    bool cancelled() const { return m_cancelled; }
    // The system failed the job once it had begun: the page did not go.
    bool failed() const { return m_failed; }
    // The system's wording of why the job failed; may be empty.
    const QString &reason() const { return m_reason; }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);
    void note(const QString &message);

    QThread *const m_thread;
    PrintJobWatch *const m_outer;
    bool m_cancelled = false;
    bool m_failed = false;
    QString m_reason;
};

}  // namespace platform
