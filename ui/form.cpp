#include "ui/form.h"

#include "platform/windowsystem.h"
#include "ui/centering.h"
#include "ui/definitions.h"
#include "ui/fonts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace ui {

namespace {

QString key(const QString &name, int index)
{
    return index < 0 ? name : name + QLatin1Char('(') + QString::number(index) + QLatin1Char(')');
}

QColor toQColor(Colour c)
{
    return QColor(red(c), green(c), blue(c));
}

double screenTwipsPerPixel()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

void applyBackColour(QPushButton *b, Colour c)
{
    QPalette pal = b->palette();
    const QColor back = toQColor(c);
    pal.setColor(QPalette::Button, back);
    // Dark backgrounds get light text so the caption stays readable.
    const QColor text = back.lightness() < 140 ? QColor(Qt::white) : QColor(Qt::black);
    pal.setColor(QPalette::ButtonText, text);
    b->setPalette(pal);
    // The style's own button face is a gradient that only leans towards the colour; the
    // face is drawn in exactly the colour instead, darker while pressed, outlined when focused.
    b->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: %2; border: 1px solid %3;"
                                    " border-radius: 3px; }"
                                    " QPushButton:pressed { background-color: %3; }"
                                    " QPushButton:focus { border: 2px solid %4; }")
                         .arg(back.name(), text.name(), back.darker(150).name(), back.lighter(170).name()));
}

}  // namespace

Form::Form(WindowDef def, QWidget *parent) : QWidget(parent), m_def(std::move(def))
{
    setObjectName(m_def.name);
    m_twipsPerPixel = screenTwipsPerPixel();
    build();
}

Form::~Form() = default;

int Form::toPixels(int twips) const
{
    return qRound(twips / m_twipsPerPixel);
}

void Form::build()
{
    // Neither border style resizes, so no maximise box, and Windows draws a frame that cannot be
    // dragged either. A fixed dialog has no minimise box; a fixed single frame is a plain
    // window's and can be minimised. Both get a close box so the window can be dismissed from its frame.
    const bool dialog = m_def.border == BorderStyle::FixedDialog;
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint | (dialog ? Qt::WindowFlags() : Qt::WindowMinimizeButtonHint));
    setWindowTitle(m_def.caption);
    setFixedSize(toPixels(m_def.clientWidth), toPixels(m_def.clientHeight));
    // The program's own icon comes from the application (see shell::applyWindowIcon);
    // only a different one is the window's own.
    if (!m_def.icon.isEmpty() && m_def.icon != QLatin1String(applicationIcon))
        setWindowIcon(QIcon(m_def.icon));
    if (m_def.font.isSet())
        setFont(makeFont(m_def.font));

    for (const ControlDef &c : m_def.controls) {
        QWidget *container = this;
        if (!c.parent.isEmpty())
            container = control(c.parent, c.parentIndex);
        Q_ASSERT(container);
        if (!container)
            continue;

        QWidget *w = nullptr;
        switch (c.kind) {
        case ControlKind::CommandButton: {
            auto *b = new QPushButton(c.caption, container);
            b->setAutoDefault(false);  // Enter is handled by the window, see handleKey()
            b->setFocusPolicy(Qt::StrongFocus);
            if (c.backColour)
                applyBackColour(b, *c.backColour);
            w = b;
            break;
        }
        case ControlKind::Label: {
            auto *l = new QLabel(c.caption, container);
            l->setWordWrap(true);
            l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            l->setTextFormat(Qt::PlainText);
            w = l;
            break;
        }
        case ControlKind::TextBox: {
            auto *t = new TextBox(container);
            t->setFocusPolicy(Qt::StrongFocus);
            w = t;
            break;
        }
        case ControlKind::CheckBox: {
            auto *t = new TickBox(container);
            t->setFocusPolicy(Qt::StrongFocus);
            w = t;
            break;
        }
        case ControlKind::Frame: {
            auto *g = new QGroupBox(c.caption, container);
            g->setFocusPolicy(Qt::NoFocus);
            w = g;
            break;
        }
        case ControlKind::PictureBox: {
            auto *p = new PictureBox(container);
            if (!c.image.isEmpty())
                p->setPixmap(QPixmap(c.image));
            p->setFocusPolicy(Qt::NoFocus);
            w = p;
            break;
        }
        case ControlKind::Line:
            w = new LineControl(QPoint(toPixels(c.left), toPixels(c.top)),
                                QPoint(toPixels(c.width), toPixels(c.height)), container);
            break;
        }
        w->setObjectName(key(c.name, c.index));
        if (c.kind != ControlKind::Line)
            w->setGeometry(toPixels(c.left), toPixels(c.top), toPixels(c.width), toPixels(c.height));
        if (c.font.isSet())
            w->setFont(makeFont(c.font));
        if (c.foreColour)
            setForeColour(w, *c.foreColour);
        if (!c.accessibleName.isEmpty())
            w->setAccessibleName(c.accessibleName);
        if (!c.visible)
            w->setVisible(false);
        w->installEventFilter(this);
        m_controls.insert(key(c.name, c.index), w);
    }

    const QList<QWidget *> order = tabOrder();
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

QWidget *Form::control(const QString &name, int index) const
{
    return m_controls.value(key(name, index));
}

QList<QWidget *> Form::tabOrder() const
{
    std::vector<const ControlDef *> defs;
    for (const ControlDef &c : m_def.controls)
        if (c.kind != ControlKind::Line)
            defs.push_back(&c);
    std::stable_sort(defs.begin(), defs.end(),
                     [](const ControlDef *a, const ControlDef *b) { return a->tabIndex < b->tabIndex; });
    QList<QWidget *> order;
    for (const ControlDef *c : defs) {
        QWidget *w = control(c->name, c->index);
        if (w && w->focusPolicy() & Qt::TabFocus)
            order.append(w);
    }
    return order;
}

bool Form::Form_Load()
{
    m_centredOuterSize = CenterOnScreen(*this);
    return loadSteps();
}

QPushButton *Form::roleButton(ButtonRole role) const
{
    for (const ControlDef &c : m_def.controls)
        if (c.role == role)
            return button(c.name, c.index);
    return nullptr;
}

bool Form::handleKey(QKeyEvent *event)
{
    const auto usable = [](QPushButton *b) { return b && b->isVisible() && b->isEnabled(); };
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        if (event->modifiers() & ~(Qt::KeypadModifier))
            return false;
        // Enter clicks the focused button, or else the Default button.
        auto *focused = qobject_cast<QPushButton *>(QApplication::focusWidget());
        if (focused && focused->window() == this && usable(focused)) {
            focused->click();
            return true;
        }
        if (QPushButton *d = roleButton(ButtonRole::Default); usable(d)) {
            d->click();
            return true;
        }
        return false;
    }
    case Qt::Key_Escape:
        if (event->modifiers() != Qt::NoModifier)
            return false;
        if (QPushButton *c = roleButton(ButtonRole::Cancel); usable(c)) {
            c->click();
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool Form::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && handleKey(static_cast<QKeyEvent *>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

void Form::unload()
{
    if (onUnloadRequest)
        onUnloadRequest();
    else
        close();
}

void Form::closeEvent(QCloseEvent *event)
{
    if (onUnloadRequest) {
        event->ignore();  // the owner hides and deletes the window itself
        onUnloadRequest();
        return;
    }
    QWidget::closeEvent(event);
}

void Form::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    centreAgainOnceFramed();
    // A Wayland compositor may maximise any window (weston on Super+Shift+M) and then ends the
    // connection, every window with it, when the window keeps its own size: there the window
    // takes whatever size it is given, and goes back to its own (changeEvent, resizeEvent).
    if (!m_snapsBack && QGuiApplication::platformName().startsWith(QLatin1String("wayland")) && windowHandle()) {
        windowHandle()->setMaximumSize(QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
        m_snapsBack = true;
    }
    const QList<QWidget *> order = tabOrder();
    for (QWidget *w : order) {
        if (w->isVisibleTo(this) && w->isEnabled()) {
            w->setFocus(Qt::TabFocusReason);
            break;
        }
    }
}

void Form::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    // An X11 window manager that would not say which frame it would draw (fluxbox) has framed the
    // window now, and may still be settling the frame (fluxbox draws a resize handle first). A
    // frame still unknown then is looked for again at the next move.
    if (event->spontaneous() && m_centredOuterSize.isValid() && !std::exchange(m_framing, true))
        QTimer::singleShot(100, this, [this] {
            m_framing = false;
            centreAgainOnceFramed();
        });
}

void Form::centreAgainOnceFramed()
{
    // The frame becomes known as the window is shown (Windows), or once the window manager has
    // framed it (moveEvent). If it turned out to be other than assumed when the window was
    // centred, the window is centred again from its real size.
    const QSize outer = windowHandle() ? windowHandle()->frameGeometry().size() : size();
    if (!m_centredOuterSize.isValid() || outer == size())
        return;
    if (outer != std::exchange(m_centredOuterSize, QSize()))
        CenterOnScreen(*this);
}

void Form::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !(windowState() & Stretched))
        return;
    // Neither border resizes. A window manager that maximises the window all the same (fluxbox's
    // Alt+F10), or makes it full screen, is asked to put it back as it was; a Wayland compositor
    // once the window has shown the size it gave (weston forgets a request that comes sooner).
    m_unstretching = true;
    if (!m_snapsBack)
        setWindowState(windowState() & ~Stretched);
}

void Form::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (m_snapsBack && m_unstretching && windowState() & Stretched)
        QTimer::singleShot(0, this, [this] { setWindowState(windowState() & ~Stretched); });
}

void Form::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // A stretched window keeps the size it was given until it is put back.
    if (size() == minimumSize())
        m_unstretching = false;
    else if (m_snapsBack && !m_unstretching)
        resize(minimumSize());
}

void setForeColour(QWidget *control, Colour colour)
{
    QPalette pal = control->palette();
    pal.setColor(QPalette::Text, toQColor(colour));
    pal.setColor(QPalette::WindowText, toQColor(colour));
    control->setPalette(pal);
}

Colour foreColour(const QWidget *control)
{
    const QColor c = control->palette().color(QPalette::Text);
    return rgb(c.red(), c.green(), c.blue());
}

QSize CenterOnScreen(QWidget &window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    const double tpp = screenTwipsPerPixel();
    // The frame, as the window system says it now. Before the window is first shown Qt knows
    // none, and an X11 window manager can be asked which frame it will draw.
    QMargins frame = window.windowHandle() ? window.windowHandle()->frameMargins() : QMargins();
    platform::FrameForecast forecast;
    bool made = false;
    if (frame.isNull()) {
        forecast = platform::forecastFrame([&window, &made] {
            made = true;
            window.winId();
            return window.windowHandle();
        });
        frame = forecast.frame.value_or(QMargins());
    }
    const QSize outer = window.size().grownBy(frame);
    const QRect area = screen->geometry();
    const Position pos = centredPosition(float(area.width() * tpp), float(area.height() * tpp),
                                         float(outer.width() * tpp), float(outer.height() * tpp));
    const QPoint topLeft = area.topLeft() + QPoint(qRound(pos.left / tpp), qRound(pos.top / tpp));
    // The offsets are for the outer frame. Where it is known, the client area goes inside it;
    // a window made for the question that got no answer is placed by the frame still to come,
    // so that the window manager moves the client into it and Qt learns the frame
    // (Form::centreAgainOnceFramed); elsewhere move() places a window's frame.
    if (!frame.isNull()) {
        window.setGeometry(QRect(topLeft + QPoint(frame.left(), frame.top()), window.size()));
    } else if (made) {
        window.setGeometry(QRect(topLeft, window.size()));
        window.windowHandle()->setFramePosition(topLeft);
    } else {
        window.move(topLeft);
    }
    return forecast.knownOnShow ? outer : QSize();
}

}  // namespace ui
