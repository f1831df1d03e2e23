#pragma once
// A window built from its definition. Controls are reached by name, and the elements of a
// control array by name and index, as the behaviour code of every window expects.

#include "ui/controls.h"
#include "ui/formdef.h"

#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <functional>

class QMenu;

namespace ui {

class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(WindowDef def, QWidget *parent = nullptr);
    ~Form() override;

    const WindowDef &definition() const { return m_def; }

    QWidget *control(const QString &name, int index = -1) const;
    template <class T>
    T *control(const QString &name, int index = -1) const
    {
        return qobject_cast<T *>(control(name, index));
    }
    QPushButton *button(const QString &name, int index = -1) const { return control<QPushButton>(name, index); }
    QLineEdit *textBox(const QString &name, int index = -1) const { return control<QLineEdit>(name, index); }
    TickBox *checkBox(const QString &name, int index = -1) const { return control<TickBox>(name, index); }
    QGroupBox *frame(const QString &name, int index = -1) const { return control<QGroupBox>(name, index); }
    QLabel *label(const QString &name, int index = -1) const { return control<QLabel>(name, index); }
    PictureBox *picture(const QString &name, int index = -1) const { return control<PictureBox>(name, index); }

    // The focusable controls in the order Tab visits them.
    QList<QWidget *> tabOrder() const;

    int toPixels(int twips) const;

    // The load handler: centres the window, then runs the class's own load steps.
    // False when those could not complete; the window must then not be used.
    bool Form_Load();

    // Set by whoever owns the window: closing it from its frame, or unload(), unloads it.
    std::function<void()> onUnloadRequest;
    // Unloads this window through its owner; a window nobody owns just closes.
    void unload();

    // Adds the window's own commands to a context menu of one of its text boxes; none by default.
    virtual void extendContextMenu(QMenu *menu) { Q_UNUSED(menu) }

protected:
    virtual bool loadSteps() { return true; }
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();
    QPushButton *roleButton(ButtonRole role) const;
    bool handleKey(QKeyEvent *event);
    void centreAgainOnceFramed();

    WindowDef m_def;
    double m_twipsPerPixel = 15.0;
    static constexpr Qt::WindowStates Stretched = Qt::WindowMaximized | Qt::WindowFullScreen;
    QSize m_centredOuterSize;     // the outer size assumed when the load step centred the window
    bool m_snapsBack = false;     // resized from outside, the window takes its own size again
    bool m_unstretching = false;  // maximised or full screen, and asked back
    bool m_framing = false;       // framed by the window manager, to be centred again
    QHash<QString, QWidget *> m_controls;
};

// Sets a text box's text colour (0x00BBGGRR).
void setForeColour(QWidget *control, Colour colour);
// The text colour a text box shows now.
Colour foreColour(const QWidget *control);

// Moves a window to the middle of the primary screen, from its outer size. Gives the outer size
// it assumed where the real one becomes known only as the window is shown, and the window can be
// moved then; an invalid size where it is known already, or never.
QSize CenterOnScreen(QWidget &window);

}  // namespace ui
