#pragma once
// The few control kinds that Qt has no exact twin for.

#include <QCheckBox>
#include <QLabel>
#include <QWidget>

namespace ui {

// A three-state tick box: 0 unticked, 1 ticked, 2 greyed. Only list files produce the
// greyed state; a click ticks an unticked or greyed box and unticks a ticked one.
class TickBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TickBox(QWidget *parent = nullptr);
    int value() const;
    void setValue(int value);  // anything but 1 or 2 reads as unticked

protected:
    void nextCheckState() override;
};

// Shows one stored image at its top-left corner, unscaled, and reports clicks.
class PictureBox : public QLabel {
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
};

// A straight line between two points of the window, in the window-text colour.
class LineControl : public QWidget {
    Q_OBJECT
public:
    LineControl(QPoint from, QPoint to, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPoint m_from, m_to;  // in this widget's coordinates
};

}  // namespace ui
