#include "ui/controls.h"

#include "ui/form.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <limits>

namespace ui {

TickBox::TickBox(QWidget *parent) : QCheckBox(parent)
{
    setTristate(true);
}

int TickBox::value() const
{
    switch (checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

void TickBox::setValue(int value)
{
    setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

void TickBox::nextCheckState()
{
    // A user never produces the greyed state; clicking one means "take part".
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

TextBox::TextBox(QWidget *parent) : QLineEdit(parent)
{
    // A name read from a list file is shown and saved whole, however long.
    setMaxLength(std::numeric_limits<int>::max());
}

void TextBox::pasteText(const QString &text)
{
    if (isReadOnly() || (pasteHandler && pasteHandler(text)))
        return;
    insert(text);
}

void TextBox::undoOrHand()
{
    if (isUndoAvailable() || !undoHandler || !undoHandler(true))
        undo();
}

void TextBox::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste)) {
        pasteText(QGuiApplication::clipboard()->text());
        return;
    }
    if (event->matches(QKeySequence::Undo)) {
        undoOrHand();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TextBox::mouseReleaseEvent(QMouseEvent *event)
{
    // X11's selection, pasted with the middle button.
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        deselect();
        setCursorPosition(cursorPositionAt(event->position().toPoint()));
        pasteText(QGuiApplication::clipboard()->text(QClipboard::Selection));
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TextBox::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    const auto reroute = [this, menu](const char *name, const std::function<void()> &action) {
        if (QAction *a = menu->findChild<QAction *>(QLatin1StringView(name))) {
            disconnect(a, &QAction::triggered, nullptr, nullptr);
            connect(a, &QAction::triggered, this, action);
        }
    };
    reroute("edit-paste", [this] { pasteText(QGuiApplication::clipboard()->text()); });
    reroute("edit-undo", [this] { undoOrHand(); });
    if (QAction *undo = menu->findChild<QAction *>(QStringLiteral("edit-undo")); undo && undoHandler)
        undo->setEnabled(undo->isEnabled() || undoHandler(false));
    if (auto *form = qobject_cast<Form *>(window()))
        form->extendContextMenu(menu);
    menu->exec(event->globalPos());
    delete menu;
}

PictureBox::PictureBox(QWidget *parent) : QLabel(parent)
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        Q_EMIT clicked();
}

LineControl::LineControl(QPoint from, QPoint to, QWidget *parent) : QWidget(parent)
{
    const QRect box = QRect(from, to).normalized().adjusted(0, 0, 1, 1);
    setGeometry(box);
    m_from = from - box.topLeft();
    m_to = to - box.topLeft();
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineControl::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(QPen(palette().color(QPalette::WindowText), 1));
    p.drawLine(m_from, m_to);
}

}  // namespace ui
