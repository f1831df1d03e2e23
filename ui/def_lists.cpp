#include "ui/definitions.h"

namespace ui {

// Placeholder until the list windows are laid out.
WindowDef participantListDefinition()
{
    WindowDef w;
    w.name = QStringLiteral("SankaForm");
    w.caption = QString::fromUtf8("参加者設定");
    w.clientWidth = 11508;
    w.clientHeight = 6456;
    w.icon = QString::fromLatin1(applicationIcon);
    return w;
}

WindowDef prizeListDefinition()
{
    WindowDef w;
    w.name = QStringLiteral("KehinForm");
    w.caption = QString::fromUtf8("景品設定");
    w.clientWidth = 11520;
    w.clientHeight = 6276;
    w.icon = QString::fromLatin1(applicationIcon);
    return w;
}

}  // namespace ui
