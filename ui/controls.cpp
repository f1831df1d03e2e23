#include "ui/controls.h"

#include <QMouseEvent>
#include <QPainter>

namespace ui {

TickBox::TickBox(QWidget *parent) : QCheckBox(parent)
{
    setTristate(true);
}

int TickBox::value() const
{
    switch (checkState()) {
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    default: return 0;
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
