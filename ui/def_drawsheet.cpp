#include "ui/definitions.h"

#include <algorithm>
#include <iterator>

namespace ui {

namespace {

// Rows whose result box comes before the name box in the tab order.
constexpr int resultFirstRows[] = {0, 3, 6, 7, 9, 11, 13, 14, 16, 17, 20, 22, 25, 26, 28, 29, 32, 34, 36, 38, 39};

bool resultFirst(int row)
{
    return std::find(std::begin(resultFirstRows), std::end(resultFirstRows), row) != std::end(resultFirstRows);
}

}  // namespace

// TombalForm: 40 numbered rows in 6 columns by 7 lines, each a frame holding a name box
// above a result box; the three buttons fill the free end of the last line.
//
// The two text boxes of a row have no caption, so screen readers get one from the row
// number on the frame: "名前 1" / "結果 1" for row 0 up to "名前 40" / "結果 40".
WindowDef drawSheetDefinition()
{
    WindowDef w;
    w.name = QStringLiteral("TombalForm");
    w.caption = QStringLiteral("抽選する");
    w.clientWidth = 11916;
    w.clientHeight = 8268;
    w.border = BorderStyle::FixedDialog;
    w.icon = QString::fromLatin1(applicationIcon);
    w.font = FontDef{QStringLiteral("System"), 13.2, 400};

    const FontDef mincho{QStringLiteral("ＭＳ 明朝"), 13.8, 400};
    const FontDef minchoLarge{QStringLiteral("ＭＳ 明朝"), 24, 400};
    w.add(ControlKind::CommandButton, names::Command1, -1, QStringLiteral("抽選"), 8040, 6960, 3795, 495, 0)
        .withFont(mincho)
        .withRole(ButtonRole::Default);
    w.add(ControlKind::CommandButton, names::Command2, -1, QStringLiteral("やめる"), 8100, 7560, 1335, 495, 1)
        .withFont(mincho)
        .withRole(ButtonRole::Cancel);
    w.add(ControlKind::CommandButton, names::Command3, -1, QStringLiteral("印刷"), 9660, 7560, 1215, 615, 2)
        .withFont(minchoLarge);

    const QString frame = names::Fra_Kekka;
    for (int i = 0; i < 40; ++i) {
        const int column = i % 6;
        const int line = i / 6;
        const int left = 60 + 1980 * column;
        // The last line stands a little lower than the pitch would put it.
        const int top = line < 6 ? 1140 * line : 6900;
        const QString number = QString::number(i + 1);
        w.add(ControlKind::Frame, frame, i, number, left, top, 1935, 1155, 3 + 3 * i);

        const int nameTab = resultFirst(i) ? 5 + 3 * i : 4 + 3 * i;
        const int resultTab = resultFirst(i) ? 4 + 3 * i : 5 + 3 * i;
        w.add(ControlKind::TextBox, names::Txt_Name, i, QString(), 60, 240, 1755, 405, nameTab)
            .in(frame, i)
            .named(QStringLiteral("名前 ") + number);
        w.add(ControlKind::TextBox, names::Txt_Kekka, i, QString(), 60, 660, 1755, 405, resultTab)
            .in(frame, i)
            .named(QStringLiteral("結果 ") + number);
    }
    return w;
}

}  // namespace ui
