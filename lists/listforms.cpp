#include "lists/listforms.h"

#include "ui/definitions.h"
#include "ui/messagebox.h"

#include <QRegularExpression>
#include <QValidator>

#include <algorithm>
#include <optional>

namespace lists {

namespace {

// Characters that would break a name over lines or that a list file cannot hold: the C0
// controls (CR and LF would split the record), DEL, and the Unicode line separators.
bool breaksLine(QChar ch)
{
    const char16_t u = ch.unicode();
    return u < 0x20 || u == 0x7f || u == 0x85 || u == 0x2028 || u == 0x2029;
}

// Keeps a name on one line whatever way it got into its box (typing, pasting, a screen
// reader setting the text): each line break or control character becomes one space, a
// CR LF pair one space too. The cursor stays on the same character.
class SingleLineValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString &input, int &pos) const override
    {
        bool clean = true;
        for (QChar ch : std::as_const(input))
            if (breaksLine(ch)) {
                clean = false;
                break;
            }
        if (clean)
            return Acceptable;
        QString out;
        out.reserve(input.size());
        int cursor = pos;
        for (qsizetype i = 0; i < input.size(); ++i) {
            const QChar ch = input.at(i);
            if (ch == QLatin1Char('\r') && i + 1 < input.size() && input.at(i + 1) == QLatin1Char('\n')) {
                if (i < pos)
                    --cursor;
                continue;  // the LF that follows becomes the space
            }
            out.append(breaksLine(ch) ? QLatin1Char(' ') : ch);
        }
        input = out;
        pos = cursor;
        return Acceptable;
    }
};

// One line of a pasted column, or a row copied from a spreadsheet (cells apart by tabs):
// a first cell holding a tick value and a second cell give the row's tick and name;
// otherwise the first cell that is not empty is the name, and the tick stays as it was.
struct PastedRow {
    std::optional<qint16> tick;
    QString name;
};

PastedRow pastedRow(const QString &line)
{
    const QStringList cells = line.split(u'\t');
    if (cells.size() == 1)
        return {std::nullopt, line};
    const QString first = cells.first().trimmed();
    if (first == u"0" || first == u"1" || first == u"2")
        return {qint16(first.toInt()), cells[1]};
    for (const QString &cell : cells)
        if (!cell.trimmed().isEmpty())
            return {std::nullopt, cell};
    return {};
}

}  // namespace

EntryListForm::EntryListForm(ui::WindowDef def, QString fileName, QLatin1StringView checkName,
                             QLatin1StringView textName)
    : ui::Form(std::move(def)), m_fileName(std::move(fileName))
{
    auto *singleLine = new SingleLineValidator(this);
    for (int r = 0; r < RowCount; ++r) {
        m_ticks[std::size_t(r)] = checkBox(checkName, r);
        m_names[std::size_t(r)] = control<ui::TextBox>(textName, r);
        Q_ASSERT(m_ticks[std::size_t(r)] && m_names[std::size_t(r)]);
        m_names[std::size_t(r)]->setValidator(singleLine);
        m_names[std::size_t(r)]->pasteHandler = [this, r](const QString &text) { return pasteColumn(r, text); };
        m_names[std::size_t(r)]->undoHandler = [this, r](bool apply) { return undoPaste(r, apply); };
        // Any other edit ends what one Ctrl+Z can take back.
        connect(m_names[std::size_t(r)], &QLineEdit::textEdited, this, [this, r] {
            if (r != m_pasteRow)
                m_pasteRow = -1;
        });
        connect(m_ticks[std::size_t(r)], &QCheckBox::clicked, this, [this] { m_pasteRow = -1; });
    }
    connect(button(ui::names::Cmd_Settei), &QPushButton::clicked, this, &EntryListForm::Cmd_Settei_Click);
    connect(button(ui::names::cmd_Cancel), &QPushButton::clicked, this, &EntryListForm::cmd_Cancel_Click);
    connect(button(ui::names::Cmd_SentakuKaijo), &QPushButton::clicked, this, &EntryListForm::Cmd_SentakuKaijo_Click);
    connect(button(ui::names::Cmd_ZeinSentaku), &QPushButton::clicked, this, &EntryListForm::Cmd_ZeinSentaku_Click);
}

EntryList EntryListForm::rows() const
{
    EntryList out;
    for (int r = 0; r < RowCount; ++r) {
        out[std::size_t(r)].tick = qint16(tickBox(r)->value());
        out[std::size_t(r)].text = nameBox(r)->text();
    }
    return out;
}

void EntryListForm::setRows(const EntryList &rows)
{
    for (int r = 0; r < RowCount; ++r) {
        tickBox(r)->setValue(rows[std::size_t(r)].tick);
        QLineEdit *name = nameBox(r);
        name->setText(rows[std::size_t(r)].text);
        name->setCursorPosition(0);  // a long name shows its beginning
    }
}

bool EntryListForm::loadSteps()
{
    // Rows without a record in the file keep what the window was created with.
    EntryList loaded = rows();
    if (const ListError error = LoadEntryList(m_fileName, loaded)) {
        ui::MessageBox::warning(nullptr, windowTitle(), error.message);
        return false;
    }
    setRows(loaded);
    return true;
}

void EntryListForm::Cmd_Settei_Click()
{
    if (const ListError error = SaveEntryList(m_fileName, rows())) {
        ui::MessageBox::warning(this, windowTitle(), error.message);
        // Take the user to the first name that needs changing.
        if (!error.rows.isEmpty()) {
            const int r = error.rows.first();
            if (r >= 0 && r < RowCount)
                nameBox(r)->setFocus(Qt::OtherFocusReason);
        }
        return;
    }
    unload();
}

void EntryListForm::cmd_Cancel_Click()
{
    unload();
}

void EntryListForm::Cmd_SentakuKaijo_Click()
{
    m_pasteRow = -1;
    for (int r = 0; r < RowCount; ++r)
        tickBox(r)->setValue(0);
}

void EntryListForm::Cmd_ZeinSentaku_Click()
{
    m_pasteRow = -1;
    for (int r = 0; r < RowCount; ++r)
        if (!nameBox(r)->text().isEmpty())
            tickBox(r)->setValue(1);
}

bool EntryListForm::pasteColumn(int row, const QString &text)
{
    QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();  // the line end after the last line
    // One line is pasted as text, unless it is a spreadsheet row with a tick: that row fills
    // this row as a column of one.
    if (lines.size() == 1 && !pastedRow(lines.first()).tick) {
        if (lines.first().size() == text.size())
            return false;
        // One cell copied from a spreadsheet, without its line end; what else would break the
        // line becomes a space here, so the paste stays one step for Ctrl+Z.
        QString line = lines.first();
        std::replace_if(line.begin(), line.end(), breaksLine, u' ');
        nameBox(row)->insert(line);
        return true;
    }
    m_beforePaste.clear();
    int leftOut = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int r = row + int(i);
        if (r >= RowCount) {
            leftOut += !lines[i].trimmed().isEmpty();
            continue;
        }
        m_beforePaste.push_back(EntryRow{qint16(tickBox(r)->value()), nameBox(r)->text()});
        const PastedRow pasted = pastedRow(lines[i]);
        if (pasted.tick)
            tickBox(r)->setValue(*pasted.tick);
        nameBox(r)->setText(pasted.name);
        nameBox(r)->setCursorPosition(0);
    }
    m_pasteRow = row;
    if (leftOut > 0)
        ui::MessageBox::warning(
            this, windowTitle(),
            QStringLiteral("貼り付けた名前のうち %1 行は、40 行目より後になるため貼り付けていません。").arg(leftOut));
    return true;
}

bool EntryListForm::undoPaste(int row, bool apply)
{
    if (row != m_pasteRow)
        return false;
    if (apply) {
        for (std::size_t i = 0; i < m_beforePaste.size(); ++i) {
            tickBox(row + int(i))->setValue(m_beforePaste[i].tick);
            nameBox(row + int(i))->setText(m_beforePaste[i].text);
        }
        m_pasteRow = -1;
    }
    return true;
}

SankaForm::SankaForm()
    : EntryListForm(ui::participantListDefinition(), QString::fromLatin1(FileName), ui::names::Chk_Sanka,
                    ui::names::Txt_Sanka)
{}

KehinForm::KehinForm()
    : EntryListForm(ui::prizeListDefinition(), QString::fromLatin1(FileName), ui::names::Chk_Kehin,
                    ui::names::Txt_Kehin)
{}

}  // namespace lists
