#include "platform/printqueue.h"

namespace platform {

QString queueStateText(QueueState state)
{
    switch (state) {
    case QueueState::Ready:
        break;
    case QueueState::NotFound:
        return QStringLiteral("印刷サービスがこのプリンターを見つけられません（印刷サービスが停止しているか、"
                              "プリンターが削除されています）。");
    case QueueState::Rejecting:
        return QStringLiteral("プリンターが印刷を受け付けていません（印刷キューが停止されています）。");
    case QueueState::Paused:
        return QStringLiteral("プリンターが一時停止しています（印刷キューを再開すると印刷されます）。");
    case QueueState::Offline:
        return QStringLiteral("プリンターがオフラインになっています（電源が入っているか、接続されているかを"
                              "確かめてください）。");
    case QueueState::Failed:
        return QStringLiteral("プリンターでエラーが起きています（用紙切れ、紙詰まりなど）。");
    }
    return {};
}

}  // namespace platform
