#include "ui/definitions.h"

namespace ui {

WindowDef mainMenuDefinition()
{
    WindowDef w;
    w.name = QStringLiteral("tbMainForm");
    w.caption = QStringLiteral("Lotarin");
    w.clientWidth = 6324;
    w.clientHeight = 4464;
    w.border = BorderStyle::FixedDialog;
    w.icon = QString::fromLatin1(applicationIcon);

    const auto button = [&w](QLatin1StringView name, const char *caption, int top, int tab) -> ControlDef & {
        return w.add(ControlKind::CommandButton, name, -1, QString::fromUtf8(caption), 240, top, 2655, 495, tab);
    };
    button(names::Command1, "参加者設定", 120, 0);
    button(names::Command2, "景品設定", 840, 1);
    button(names::Command3, "開始", 1560, 2).withBackColour(rgb(192, 0, 0));
    button(names::Command4, "終了", 2280, 3).withBackColour(rgb(0, 128, 128));
    w.add(ControlKind::Label, QStringLiteral("Label1"), -1,
          QString::fromUtf8("参加者と景品を設定して、開始ボタンを押して下さい"), 3120, 360, 3015, 735, 4);
    button(names::Command5, "Lotarinについて", 3120, 5);
    return w;
}

}  // namespace ui
