#include "platform/printqueue.h"

namespace platform {

QString printQueueRefusal(const QString &printer)
{
    if (printer.isEmpty())
        return {};
    switch (printQueueState(printer)) {
    case QueueState::Ready:
        break;
    case QueueState::NotFound:
        return QStringLiteral("印刷サービスがこのプリンターを見つけられません（印刷サービスが停止しているか、"
                              "プリンターが削除されています）。");
    case QueueState::Rejecting:
        return QStringLiteral("プリンターが印刷を受け付けていません（印刷キューが停止されています）。");
    case QueueState::Paused:
        return QStringLiteral("プリンターが一時停止しています（印刷キューを再開するまで印刷されません）。");
    case QueueState::Offline:
        return QStringLiteral("プリンターがオフラインです（電源が入っているか、接続されているかを確かめてください）。");
    case QueueState::Failed:
        return QStringLiteral("プリンターでエラーが起きています（用紙切れ、紙詰まりなど）。");
    }
    return {};
}

}  // namespace platform
