#include "draw/tombalform.h"

#include "draw/printsheet.h"
#include "ui/definitions.h"
#include "ui/messagebox.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPointer>

namespace draw {

namespace {

// The sheet's own rows, as its controls.
class FormRows : public SheetRows {
public:
    explicit FormRows(ui::Form &form) : m_form(form) {}
    QString result(int row) const override
    {
        const QLineEdit *box = m_form.textBox(ui::names::Txt_Kekka, row);
        return box ? box->text() : QString();
    }
    void setResult(int row, const QString &text) override { show(ui::names::Txt_Kekka, row, text); }
    void setName(int row, const QString &text) override { show(ui::names::Txt_Name, row, text); }
    void hide(int row, Part part) override
    {
        const QLatin1StringView name = part == Part::Name     ? ui::names::Txt_Name
                                       : part == Part::Result ? ui::names::Txt_Kekka
                                                              : ui::names::Fra_Kekka;
        if (QWidget *w = m_form.control(name, row))
            w->hide();
    }
    void setWinner(int row, bool won) override
    {
        QLineEdit *box = m_form.textBox(ui::names::Txt_Kekka, row);
        if (box && won)
            ui::setForeColour(box, TombalForm::winnerColour);
        else if (box)
            box->setPalette(QPalette());  // back to the palette it inherits, as created
    }

private:
    void show(QLatin1StringView boxName, int row, const QString &text)
    {
        if (QLineEdit *box = m_form.textBox(boxName, row)) {
            box->setText(text);
            box->setCursorPosition(0);  // a long prize or name shows its beginning, on screen and on paper
        }
    }

    ui::Form &m_form;
};

// Hides the three buttons for as long as it lives, so they stay off the printout, and
// brings them back however printing ends. The keyboard focus is parked meanwhile, so no
// text cursor is printed either, and put back afterwards.
class ButtonsHidden {
public:
    explicit ButtonsHidden(ui::Form &form) : m_form(form), m_focus(form.focusWidget())
    {
        for (const QLatin1StringView name : buttons)
            if (QWidget *b = m_form.button(name))
                b->hide();
        if (QWidget *focused = m_form.focusWidget())
            focused->clearFocus();
    }
    ~ButtonsHidden()
    {
        for (const QLatin1StringView name : buttons)
            if (QWidget *b = m_form.button(name))
                b->show();
        if (m_focus && m_focus->isVisible())
            m_focus->setFocus(Qt::OtherFocusReason);
    }
    ButtonsHidden(const ButtonsHidden &) = delete;
    ButtonsHidden &operator=(const ButtonsHidden &) = delete;

private:
    static constexpr QLatin1StringView buttons[] = {ui::names::Command1, ui::names::Command2, ui::names::Command3};
    ui::Form &m_form;
    QPointer<QWidget> m_focus;
};

QString askWithDialog(QWidget *parent, const QString &suggested)
{
    QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("結果を保存"), suggested,
                                                QStringLiteral("CSV ファイル (*.csv)"));
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    return path;
}

}  // namespace

TombalForm::TombalForm(RowSource participants, RowSource prizes)
    : ui::Form(ui::drawSheetDefinition()), askResultsPath(askWithDialog), m_participants(std::move(participants)),
      m_prizes(std::move(prizes))
{
    connect(button(ui::names::Command1), &QPushButton::clicked, this, &TombalForm::Command1_Click);
    connect(button(ui::names::Command2), &QPushButton::clicked, this, &TombalForm::Command2_Click);
    connect(button(ui::names::Command3), &QPushButton::clicked, this, &TombalForm::Command3_Click);
}

bool TombalForm::loadSteps()
{
    return SheetSetup();
}

bool TombalForm::SheetSetup()
{
    // Loads the participant window hidden if it is absent; an open one is read as it stands.
    const std::optional<lists::EntryList> participants = m_participants ? m_participants() : std::nullopt;
    if (!participants)
        return false;
    FormRows rows(*this);
    m_sheet.setup(rows, *participants);
    return true;
}

void TombalForm::PrizeDraw()
{
    FormRows rows(*this);
    // The prize window is read as it stands at the press, loaded hidden if absent.
    m_lastDraw = m_sheet.draw(rows, m_prizes);
    if (m_roomView)
        m_roomView->follow();
}

void TombalForm::Command1_Click()
{
    PrizeDraw();
}

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
    // The page is a record: when it was printed, how many took part and how many won, as drawn.
    const QString footer = printing::footerLine(
        QDateTime::currentDateTime(), m_sheet.entryCount(),
        m_sheet.freeSlots() < m_sheet.entryCount() ? std::optional(m_sheet.winners()) : std::nullopt);
    QString failure;
    {
        const ButtonsHidden hidden(*this);
        failure = printing::printPage(*this, target, footer);
    }
    if (!failure.isEmpty())
        ui::MessageBox::warning(this, QStringLiteral("印刷"), printing::failureMessage(target, failure));
}

results::Table TombalForm::shownResults() const
{
    results::Table table;
    for (int row = 0; row < m_sheet.entryCount(); ++row) {
        const QLineEdit *name = textBox(ui::names::Txt_Name, row), *result = textBox(ui::names::Txt_Kekka, row);
        table.append({row + 1, name->text(), result->text(), ui::foreColour(result) == winnerColour});
    }
    return table;
}

void TombalForm::toggleRoomView()
{
    if (m_roomView) {
        m_roomView->close();
        return;
    }
    m_roomView = new RoomView(*this);
    m_roomView->present();
}

void TombalForm::copyResults()
{
    const results::Table table = shownResults();
    auto *data = new QMimeData;
    data->setText(results::tabSeparated(table));
    data->setHtml(results::html(table));
    QGuiApplication::clipboard()->setMimeData(data);
}

void TombalForm::saveResults()
{
    const results::Table table = shownResults();
    const QString suggested = QDir::current().filePath(results::suggestedFileName(QDateTime::currentDateTime()));
    const QString path = askResultsPath ? askResultsPath(this, suggested) : QString();
    if (path.isEmpty())
        return;
    if (const QString failure = results::saveCsv(path, table); !failure.isEmpty())
        ui::MessageBox::warning(this, QStringLiteral("結果を保存"),
                                failure + QStringLiteral("\n抽選表の名前と結果はそのまま残っています。"));
}

void TombalForm::extendContextMenu(QMenu *menu)
{
    if (!menu->isEmpty())
        menu->addSeparator();
    // The keys are shown beside the commands; they work on the sheet, not only in the menu.
    const auto add = [this, menu](const QString &text, const QKeySequence &keys, void (TombalForm::*command)()) {
        QAction *action = menu->addAction(text, this, command);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        return action;
    };
    QAction *view = add(QStringLiteral("発表"), QKeySequence(Qt::Key_F11), &TombalForm::toggleRoomView);
    view->setCheckable(true);
    view->setChecked(m_roomView);
    add(QStringLiteral("結果をコピー"), QKeySequence::Copy, &TombalForm::copyResults);
    add(QStringLiteral("結果を保存…"), QKeySequence::Save, &TombalForm::saveResults);
}

void TombalForm::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    extendContextMenu(&menu);
    menu.exec(event->globalPos());
}

bool TombalForm::sheetKey(QKeyEvent *event, QObject *receiver)
{
    if (event->key() == Qt::Key_F11 && event->modifiers() == Qt::NoModifier) {
        toggleRoomView();
        return true;
    }
    if (event->matches(QKeySequence::Save)) {
        saveResults();
        return true;
    }
    if (event->matches(QKeySequence::Copy)) {
        // Text selected in a box is what Ctrl+C copies there, as ever.
        if (const auto *box = qobject_cast<const QLineEdit *>(receiver); box && box->hasSelectedText())
            return false;
        copyResults();
        return true;
    }
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        // The menu key's twin, which Windows turns into a context menu by itself and X11 does not.
        QWidget *target = receiver && receiver->isWidgetType() ? static_cast<QWidget *>(receiver) : this;
        const QPoint at = target->rect().center();
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, target->mapToGlobal(at));
        QCoreApplication::sendEvent(target, &menu);
        return true;
    }
    return false;
}

bool TombalForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && sheetKey(static_cast<QKeyEvent *>(event), watched))
        return true;
    return ui::Form::eventFilter(watched, event);
}

void TombalForm::keyPressEvent(QKeyEvent *event)
{
    if (!sheetKey(event, this))
        ui::Form::keyPressEvent(event);
}

}  // namespace draw
