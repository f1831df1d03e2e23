#include "platform/printjob.h"

#include <QRegularExpression>

namespace platform {

namespace {

// Windows' ERROR_CANCELLED (winerror.h): what StartDoc fails with when the operator
// cancels the printer's file dialog.
constexpr int kErrorCancelled = 1223;

PrintJobWatch *g_watch = nullptr;
QtMessageHandler g_previous = nullptr;

}  // namespace

PrintJobWatch::PrintJobWatch() : m_thread(QThread::currentThread()), m_outer(g_watch)
{
    if (!m_outer)
        g_previous = qInstallMessageHandler(handle);
    g_watch = this;
}

PrintJobWatch::~PrintJobWatch()
{
    g_watch = m_outer;
    if (!m_outer)
        qInstallMessageHandler(g_previous);
}

void PrintJobWatch::handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (g_watch && QThread::currentThread() == g_watch->m_thread)
        g_watch->note(message);
    if (g_previous)
        g_previous(type, context, message);
}

void PrintJobWatch::note(const QString &message)
{
    // The engine's words, as qErrnoWarning() ends them: "WHAT failed ... (the system's reason)".
    static const QRegularExpression report(
        QStringLiteral("^QWin32PrintEngine::(begin|end): (StartDoc|EndPage|EndDoc) failed.* \\((.*)\\)$"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = report.match(message);
    if (!m.hasMatch())
        return;
    const QString systemReason = m.captured(3);
    if (m.captured(2) == u"StartDoc") {
        // The file dialog of a print-to-file printer, cancelled; any other reason is a failure
        // that begin() reports itself.
        m_cancelled = m_cancelled || systemReason == qt_error_string(kErrorCancelled);
    } else if (m.captured(1) == u"end" && !m_failed) {
        m_failed = true;
        m_reason = systemReason;
    }
}

}  // namespace platform
