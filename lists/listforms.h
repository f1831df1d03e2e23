#pragma once
// The participant and prize list windows, SankaForm and KehinForm. The 40 rows of a window
// are the list itself: row r is check box r (the tick: 0, 1 or 2 for greyed) and text box
// r (the name). The window reads its file when it loads and writes it only on "設定".
//
// Accessible names of the rows (the frame caption N = row + 1 is part of each):
//   SankaForm: check box "参加 N", text box "名前 N"
//   KehinForm: check box "抽選 N", text box "景品 N"

#include "lists/entrylist.h"
#include "ui/form.h"

#include <QLineEdit>
#include <QString>

#include <array>
#include <vector>

namespace lists {

// What the two list windows share: their rows, their load step and their four buttons.
class EntryListForm : public ui::Form {
    Q_OBJECT
public:
    const QString &fileName() const { return m_fileName; }

    // Row r's controls, r from 0 to 39.
    ui::TickBox *tickBox(int row) const { return m_ticks[std::size_t(row)]; }
    ui::TextBox *nameBox(int row) const { return m_names[std::size_t(row)]; }

    // The rows as they stand on screen, unsaved edits included.
    EntryList rows() const;
    void setRows(const EntryList &rows);

public Q_SLOTS:
    // "設定": saves all 40 rows and unloads the window. If the file cannot be written, or a
    // name holds characters the file cannot store, the user is told why and the window
    // stays open with every edit.
    void Cmd_Settei_Click();
    // "キャンセル": unloads without saving.
    void cmd_Cancel_Click();
    // "選択解除": unticks every row, greyed ones included.
    void Cmd_SentakuKaijo_Click();
    // "全員選択" / "全部選択": ticks every row whose text is not empty (spaces count as a
    // name); rows without a name keep their tick.
    void Cmd_ZeinSentaku_Click();

protected:
    EntryListForm(ui::WindowDef def, QString fileName, QLatin1StringView checkName, QLatin1StringView textName);

    // Fills the rows from the list file. A file that cannot be read is reported and the
    // window does not open.
    bool loadSteps() override;

private:
    // A paste of several lines (a column copied from a spreadsheet) into the name box of
    // `row`: one line a row from there down. False for a single line, pasted as usual.
    bool pasteColumn(int row, const QString &text);
    // Whether Ctrl+Z in the name box of `row` has a column paste to undo; undoes it if `apply`.
    bool undoPaste(int row, bool apply);

    QString m_fileName;
    std::array<ui::TickBox *, RowCount> m_ticks{};
    std::array<ui::TextBox *, RowCount> m_names{};
    // What the last column paste replaced, from the row where it began, until another edit.
    int m_pasteRow = -1;
    std::vector<EntryRow> m_beforePaste;
};

// The participant list, kept in TBNAME.DAT.
class SankaForm final : public EntryListForm {
    Q_OBJECT
public:
    static constexpr char FileName[] = "TBNAME.DAT";
    SankaForm();
};

// The prize list, kept in TBKEIHIN.DAT.
class KehinForm final : public EntryListForm {
    Q_OBJECT
public:
    static constexpr char FileName[] = "TBKEIHIN.DAT";
    KehinForm();
};

}  // namespace lists
