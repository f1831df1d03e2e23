#include "lists/listforms.h"

#include "ui/definitions.h"
#include "ui/messagebox.h"

#include <QValidator>

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

}  // namespace

EntryListForm::EntryListForm(ui::WindowDef def, QString fileName, QLatin1StringView checkName,
                             QLatin1StringView textName)
    : ui::Form(std::move(def)), m_fileName(std::move(fileName))
{
    auto *singleLine = new SingleLineValidator(this);
    for (int r = 0; r < RowCount; ++r) {
        m_ticks[std::size_t(r)] = checkBox(checkName, r);
        m_names[std::size_t(r)] = textBox(textName, r);
        Q_ASSERT(m_ticks[std::size_t(r)] && m_names[std::size_t(r)]);
        m_names[std::size_t(r)]->setValidator(singleLine);
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
        if (error.kind == ListError::Kind::Unencodable && !error.rows.isEmpty()) {
            const int r = error.rows.first();
            if (r >= 0 && r < RowCount)
                nameBox(r)->setFocus(Qt::OtherFocusReason);
        }
        return;
    }
    unload();
}

void EntryListForm::cmd_Cancel_Click() { unload(); }

void EntryListForm::Cmd_SentakuKaijo_Click()
{
    for (int r = 0; r < RowCount; ++r)
        tickBox(r)->setValue(0);
}

void EntryListForm::Cmd_ZeinSentaku_Click()
{
    for (int r = 0; r < RowCount; ++r)
        if (!nameBox(r)->text().isEmpty())
            tickBox(r)->setValue(1);
}

SankaForm::SankaForm()
    : EntryListForm(ui::participantListDefinition(), QString::fromLatin1(FileName), ui::names::Chk_Sanka,
                    ui::names::Txt_Sanka)
{
}

KehinForm::KehinForm()
    : EntryListForm(ui::prizeListDefinition(), QString::fromLatin1(FileName), ui::names::Chk_Kehin,
                    ui::names::Txt_Kehin)
{
}

}  // namespace lists
