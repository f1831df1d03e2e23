#include "ui/definitions.h"
#include "ui/images.h"

#include <algorithm>
#include <array>

// The two list windows are twins: a grid of 40 rows (a numbered frame holding a check box
// and a text box), four buttons under the grid and three pictures beside the buttons.
//
// Accessible names: the check box and the text box of a row carry no caption of their own,
// so each gets a name saying what it is and which row (the frame's number) it belongs to:
//   participants: check box "参加 N", text box "名前 N"
//   prizes:       check box "抽選 N", text box "景品 N"
// where N is the row's frame caption, 1 to 40.

namespace ui {

namespace {

constexpr int Rows = 40;
constexpr int Columns = 5;

// The rows whose check box comes before their text box in the participant window's tab
// order; the prize window has the reverse (text box first in these rows).
constexpr std::array<int, 20> checkFirstRows = {0,  3,  6,  7,  9,  11, 12, 14, 15, 18,
                                                21, 22, 24, 25, 28, 31, 32, 34, 35, 38};

bool isCheckFirstRow(int row)
{
    return std::find(checkFirstRows.begin(), checkFirstRows.end(), row) != checkFirstRows.end();
}

struct ListWindowNames {
    const char *window;
    const char *caption;
    int clientWidth, clientHeight;
    QLatin1StringView frame, check, text;
    const char *checkAccessible, *textAccessible;
    const char *selectAllCaption;
    int buttonDx, buttonDy;  // the button line's offset from the participant window's
    int pictureLeft, pictureTop;
    const char *image;
};

// Tab indices of one row: the frame's, then the check box's and the text box's.
struct RowTabs {
    int frame, check, text;
};

void addGrid(WindowDef &w, const ListWindowNames &n, RowTabs (*tabsOf)(int row))
{
    const QString frame = n.frame, check = n.check, text = n.text;
    for (int i = 0; i < Rows; ++i) {
        const int c = i % Columns, g = i / Columns;
        const RowTabs t = tabsOf(i);
        const QString number = QString::number(i + 1);
        w.add(ControlKind::Frame, frame, i, number, 60 + 2280 * c, 60 + 660 * g, 2235, 615, t.frame);
        w.add(ControlKind::CheckBox, check, i, QString(), 60, 180, 255, 315, t.check)
            .in(frame, i)
            .named(QString::fromUtf8(n.checkAccessible) + QLatin1Char(' ') + number);
        w.add(ControlKind::TextBox, text, i, QString(), 360, 180, 1755, 315, t.text)
            .in(frame, i)
            .named(QString::fromUtf8(n.textAccessible) + QLatin1Char(' ') + number);
    }
}

struct ButtonTabs {
    int selectAll, clear, save, cancel;
    int picture[3];
};

WindowDef listWindow(const ListWindowNames &n, RowTabs (*tabsOf)(int row), const ButtonTabs &tabs)
{
    WindowDef w;
    w.name = QString::fromLatin1(n.window);
    w.caption = QString::fromUtf8(n.caption);
    w.clientWidth = n.clientWidth;
    w.clientHeight = n.clientHeight;
    w.border = BorderStyle::FixedDialog;
    w.icon = QString::fromLatin1(applicationIcon);

    addGrid(w, n, tabsOf);

    const int top = 5460 + n.buttonDy;
    const auto button = [&](QLatin1StringView name, const char *caption, int left, int tab) -> ControlDef & {
        return w.add(ControlKind::CommandButton, name, -1, QString::fromUtf8(caption), left + n.buttonDx, top, 1215,
                     495, tab);
    };
    button(names::Cmd_ZeinSentaku, n.selectAllCaption, 300, tabs.selectAll);
    button(names::Cmd_SentakuKaijo, "選択解除", 1680, tabs.clear);
    button(names::Cmd_Settei, "設定", 3900, tabs.save).withRole(ButtonRole::Default);
    button(names::cmd_Cancel, "キャンセル", 5280, tabs.cancel).withRole(ButtonRole::Cancel);

    for (int k = 0; k < 3; ++k)
        w.add(ControlKind::PictureBox, QStringLiteral("Picture1"), k, QString(), n.pictureLeft + 780 * k, n.pictureTop,
              795, 795, tabs.picture[k])
            .withImage(QString::fromLatin1(n.image));
    return w;
}

}  // namespace

WindowDef participantListDefinition()
{
    static const ListWindowNames sanka = {
        "SankaForm",
        "参加者設定",
        11508,
        6456,
        QLatin1StringView("Fra_Sanka"),
        names::Chk_Sanka,
        names::Txt_Sanka,
        "参加",
        "名前",
        "全員選択",
        0,
        0,
        6840,
        5460,
        images::bitmapA,
    };
    // Buttons first, then the rows from the top left, each after its frame.
    const auto tabsOf = [](int i) {
        const int base = 3 + 3 * i;
        return isCheckFirstRow(i) ? RowTabs{base, base + 1, base + 2} : RowTabs{base, base + 2, base + 1};
    };
    return listWindow(sanka, tabsOf, ButtonTabs{0, 123, 1, 2, {124, 125, 126}});
}

WindowDef prizeListDefinition()
{
    static const ListWindowNames kehin = {
        "KehinForm",
        "景品設定",
        11520,
        6276,
        QLatin1StringView("Fra_Kehin"),
        names::Chk_Kehin,
        names::Txt_Kehin,
        "抽選",
        "景品",
        "全部選択",
        180,
        180,
        7620,
        5400,
        images::bitmapB,
    };
    // The rows from the bottom right, each after its frame, then the pictures and buttons.
    const auto tabsOf = [](int i) {
        const int base = 117 - 3 * i;
        return isCheckFirstRow(i) ? RowTabs{base, base + 2, base + 1} : RowTabs{base, base + 1, base + 2};
    };
    return listWindow(kehin, tabsOf, ButtonTabs{126, 123, 125, 124, {120, 121, 122}});
}

}  // namespace ui
