#include "platform/printqueue.h"

#if defined(Q_OS_UNIX)
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#endif

namespace platform {

#if defined(Q_OS_UNIX)

QString printQueueRefusal(const QString &printer)
{
    const QString lpstat = QStandardPaths::findExecutable(QStringLiteral("lpstat"));
    if (lpstat.isEmpty() || printer.isEmpty())
        return {};
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));  // the answer is parsed
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(lpstat, {QStringLiteral("-a"), printer});
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished(1000);
        return QStringLiteral("印刷サービスが応答しません。");
    }
    const QString answer = QString::fromLocal8Bit(p.readAll());
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        // With the scheduler gone lpstat only says the queue is unknown, so both read alike.
        return QStringLiteral("印刷サービスがこのプリンターを見つけられません（印刷サービスが停止しているか、"
                              "プリンターが削除されています）。");
    }
    if (answer.contains(QLatin1String("not accepting"), Qt::CaseInsensitive))
        return QStringLiteral("プリンターが印刷を受け付けていません（印刷キューが停止されています）。");
    return {};
}

#else

QString printQueueRefusal(const QString &)
{
    return {};
}

#endif

}  // namespace platform
