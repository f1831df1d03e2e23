#include "draw/tombalform.h"

#include "draw/printsheet.h"
#include "lists/listforms.h"
#include "shell/shell.h"
#include "ui/definitions.h"
#include "ui/messagebox.h"

#include <QPointer>

#include <memory>

namespace draw {

namespace {

const QString &nameBox()
{
    static const QString s = QStringLiteral("Txt_Name");
    return s;
}
const QString &resultBox()
{
    static const QString s = QStringLiteral("Txt_Kekka");
    return s;
}
const QString &rowFrame()
{
    static const QString s = QStringLiteral("Fra_Kekka");
    return s;
}

// The sheet's own rows, as its controls.
class FormRows : public SheetRows {
public:
    explicit FormRows(ui::Form &form) : m_form(form) {}
    QString result(int row) const override
    {
        const QLineEdit *box = m_form.textBox(resultBox(), row);
        return box ? box->text() : QString();
    }
    void setResult(int row, const QString &text) override { show(resultBox(), row, text); }
    void setName(int row, const QString &text) override { show(nameBox(), row, text); }
    void hide(int row, Part part) override
    {
        const QString &name = part == Part::Name ? nameBox() : part == Part::Result ? resultBox() : rowFrame();
        if (QWidget *w = m_form.control(name, row))
            w->hide();
    }
    void markWinner(int row) override
    {
        if (QLineEdit *box = m_form.textBox(resultBox(), row))
            ui::setForeColour(box, TombalForm::winnerColour);
    }

private:
    void show(const QString &boxName, int row, const QString &text)
    {
        if (QLineEdit *box = m_form.textBox(boxName, row)) {
            box->setText(text);
            box->setCursorPosition(0);  // a long prize or name shows its beginning, on screen and on paper
        }
    }

    ui::Form &m_form;
};

// The rows of a list window: its check boxes and text boxes of one index.
class ListRows : public EntryRows {
public:
    ListRows(const ui::Form &form, QString tickName, QString textName)
        : m_form(form), m_tick(std::move(tickName)), m_text(std::move(textName))
    {
    }
    int tick(int row) const override
    {
        const ui::TickBox *box = m_form.checkBox(m_tick, row);
        return box ? box->value() : 0;
    }
    QString text(int row) const override
    {
        const QLineEdit *box = m_form.textBox(m_text, row);
        return box ? box->text() : QString();
    }

private:
    const ui::Form &m_form;
    QString m_tick, m_text;
};

// Hides the three buttons for as long as it lives, so they stay off the printout, and
// brings them back however printing ends. The keyboard focus is parked meanwhile, so no
// text cursor is printed either, and put back afterwards.
class ButtonsHidden {
public:
    explicit ButtonsHidden(ui::Form &form) : m_form(form), m_focus(form.focusWidget())
    {
        for (const char *name : buttons)
            if (QWidget *b = m_form.button(QString::fromLatin1(name)))
                b->hide();
        if (QWidget *focused = m_form.focusWidget())
            focused->clearFocus();
    }
    ~ButtonsHidden()
    {
        for (const char *name : buttons)
            if (QWidget *b = m_form.button(QString::fromLatin1(name)))
                b->show();
        if (m_focus && m_focus->isVisible())
            m_focus->setFocus(Qt::OtherFocusReason);
    }
    ButtonsHidden(const ButtonsHidden &) = delete;
    ButtonsHidden &operator=(const ButtonsHidden &) = delete;

private:
    static constexpr const char *buttons[] = {"Command1", "Command2", "Command3"};
    ui::Form &m_form;
    QPointer<QWidget> m_focus;
};

}  // namespace

TombalForm::TombalForm(shell::Shell &shell) : ui::Form(ui::drawSheetDefinition()), m_shell(shell)
{
    connect(button(QStringLiteral("Command1")), &QPushButton::clicked, this, &TombalForm::Command1_Click);
    connect(button(QStringLiteral("Command2")), &QPushButton::clicked, this, &TombalForm::Command2_Click);
    connect(button(QStringLiteral("Command3")), &QPushButton::clicked, this, &TombalForm::Command3_Click);
}

bool TombalForm::loadSteps() { return SheetSetup(); }

bool TombalForm::SheetSetup()
{
    // Loads the participant window hidden if it is absent; an open one is read as it stands.
    const lists::SankaForm *participants = m_shell.participantList().get();
    if (!participants)
        return false;
    FormRows rows(*this);
    m_sheet.setup(rows, ListRows(*participants, QStringLiteral("Chk_Sanka"), QStringLiteral("Txt_Sanka")));
    return true;
}

void TombalForm::PrizeDraw()
{
    FormRows rows(*this);
    // The prize window is read as it stands at the press, loaded hidden if absent.
    std::unique_ptr<ListRows> prizes;
    m_lastDraw = m_sheet.draw(rows, [this, &prizes]() -> const EntryRows * {
        const lists::KehinForm *form = m_shell.prizeList().get();
        if (!form)
            return nullptr;
        prizes = std::make_unique<ListRows>(*form, QStringLiteral("Chk_Kehin"), QStringLiteral("Txt_Kehin"));
        return prizes.get();
    });
}

void TombalForm::Command1_Click() { PrizeDraw(); }

void TombalForm::Command2_Click()
{
    // As the close box does; list windows that were loaded hidden stay as they are.
    unload();
}

void TombalForm::Command3_Click()
{
    printing::Target target;
    if (!printing::chooseTarget(this, target))
        return;
    QString failure;
    {
        const ButtonsHidden hidden(*this);
        failure = printing::printPage(*this, target);
    }
    if (!failure.isEmpty())
        ui::MessageBox::warning(this, QStringLiteral("印刷"), printing::failureMessage(target, failure));
}

}  // namespace draw
