#pragma once
// The few control kinds that Qt has no exact twin for.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <functional>

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

// A single-line text box without a length limit of its own. Its owner may take over a
// paste (Ctrl+V, Shift+Insert, the context menu, the middle button) and an undo that the
// box itself has nothing left for.
class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent = nullptr);

    // The text to paste; true when the owner took care of it.
    std::function<bool(const QString &text)> pasteHandler;
    // Ctrl+Z with nothing left to undo in the box: whether the owner has something to undo,
    // which it undoes if `apply`.
    std::function<bool(bool apply)> undoHandler;

    void pasteText(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void undoOrHand();
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
