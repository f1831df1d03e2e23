#include "draw/roomview.h"

#include "draw/prizedraw.h"
#include "draw/tombalform.h"
#include "ui/definitions.h"
#include "ui/fonts.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace draw {

// The rows, as one list for screen readers.
class RoomList : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};

namespace {

constexpr qreal kUnfit = std::numeric_limits<qreal>::infinity();

// A Japanese gothic in bold, which reads best from the back of a hall.
QFont viewFont(int pixelSize)
{
    QFont font = ui::makeFont(ui::FontDef{QStringLiteral("ＭＳ Ｐゴシック"), 12, 700});
    font.setPixelSize(std::max(1, pixelSize));
    return font;
}

// A row's card: the name above the result, with a margin of a quarter letter around them and
// a fifth of a letter between them.
qreal cardPadding(int pixelSize)
{
    return pixelSize / 4.0;
}
qreal cardHeight(qreal name, qreal result, int pixelSize)
{
    return name + pixelSize / 5.0 + result + 2 * cardPadding(pixelSize);
}
// Beside its two lines of text a card takes this many letters of height: the gap and the margins.
constexpr qreal kCardExtra = 0.2 + 0.5;

// Lays `layout` out in lines no wider than `width`, breaking between words where it can and
// inside a word too long for a line. The height it takes; kUnfit when a line is still wider
// (one character wider than the card), or when `oneLine` and it took more than one.
qreal layOut(QTextLayout &layout, qreal width, bool oneLine = false)
{
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    qreal height = 0;
    bool fits = width > 0;
    int lines = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
        fits = fits && line.naturalTextWidth() <= width;
        ++lines;
    }
    layout.endLayout();
    return fits && !(oneLine && lines > 1) ? height : kUnfit;
}

// How many columns and how large the letters are, so that every card shows its name and
// result whole: the largest letters the area allows.
struct Fit {
    int columns = 1;
    int pixelSize = 0;
};

class Fitter {
public:
    Fitter(const results::Table &table, QSize area, int gap) : m_table(table), m_area(area), m_gap(gap) {}

    int lines(int columns) const { return (int(m_table.size()) + columns - 1) / columns; }
    QSize cell(int columns) const
    {
        return QSize((m_area.width() - (columns - 1) * m_gap) / columns,
                     (m_area.height() - (lines(columns) - 1) * m_gap) / lines(columns));
    }

    Fit best()
    {
        const int count = int(m_table.size());
        if (count == 0)
            return {};
        // For each number of lines of cards, only the fewest columns: they give the widest cards.
        std::vector<int> columns;
        for (int c = 1; c <= count; ++c)
            if (c == 1 || lines(c - 1) != lines(c))
                columns.push_back(c);
        // Letters grow with their size, so one measurement at 100 pixels says about how large
        // the letters of each arrangement can be; laying the cards out confirms it.
        const QFontMetricsF metrics(viewFont(100));
        qreal widest = metrics.horizontalAdvance(pendingMark());
        for (const results::Row &row : m_table)
            widest = std::max({widest, metrics.horizontalAdvance(row.name), metrics.horizontalAdvance(row.result)});
        const qreal perPixel = 2 * metrics.height() / 100 + kCardExtra;
        const auto tallest = [&](int c) { return int(cell(c).height() / perPixel); };

        // Every text on one line.
        Fit oneLine;
        for (const int c : columns) {
            int size = std::min(int(cell(c).width() / (widest / 100 + 0.5)), tallest(c));
            while (size > oneLine.pixelSize && !fits(c, size, true))
                size = std::min(size - 1, int(size * 0.97));
            if (size > oneLine.pixelSize)
                oneLine = {c, size};
        }
        // Broken into lines the letters may grow larger still; worth it only when they grow by a
        // third: a name or a prize on one line reads better.
        Fit broken;
        int low = std::max(1, oneLine.pixelSize * 4 / 3 + 1);
        for (const int c : columns) {
            int high = tallest(c);
            if (high < low || !fits(c, low, false))
                continue;
            while (low < high) {
                const int middle = (low + high + 1) / 2;
                if (fits(c, middle, false))
                    low = middle;
                else
                    high = middle - 1;
            }
            broken = {c, low++};
        }
        if (broken.pixelSize > 0)
            return broken;
        return oneLine.pixelSize > 0 ? oneLine : Fit{1, 1};
    }

private:
    bool fits(int columns, int pixelSize, bool oneLine)
    {
        const QSize cell = this->cell(columns);
        const QFont font = viewFont(pixelSize);
        const qreal width = cell.width() - 2 * cardPadding(pixelSize);
        QHash<QString, qreal> heights;  // "はずれ" and the pending mark come again and again
        const auto height = [&](const QString &text) {
            if (const auto known = heights.constFind(text); known != heights.cend())
                return *known;
            QTextLayout layout(text, font);
            const qreal h = layOut(layout, width, oneLine);
            heights.insert(text, h);
            return h;
        };
        // A row shows the pending mark until its result is revealed: room for both.
        const qreal pending = height(pendingMark());
        for (const results::Row &row : m_table)
            if (cardHeight(height(row.name), std::max(height(row.result), pending), pixelSize) > cell.height())
                return false;
        return true;
    }

    const results::Table &m_table;
    QSize m_area;
    int m_gap;
};

}  // namespace

// One participant: the name above the result, laid out to the card.
class RoomRow : public QWidget {
    Q_OBJECT
public:
    explicit RoomRow(QWidget *parent) : QWidget(parent) { setFocusPolicy(Qt::StrongFocus); }

    void setCard(const QString &name, const QString &result, const QColor &colour, bool won, int pixelSize)
    {
        if (name != m_name.text() || result != m_result.text() || pixelSize != m_pixelSize) {
            m_name.setText(name);
            m_result.setText(result);
            m_pixelSize = pixelSize;
            layOutCard();
        }
        m_colour = colour;
        // Read as one: the name, then the result.
        const QString spoken = name + u'　' + result;
        if (accessibleName() != spoken)
            setAccessibleName(spoken);
        const QString state = won ? QStringLiteral("当選") : QString();
        if (accessibleDescription() != state)
            setAccessibleDescription(state);
        update();
    }

    QString name() const { return m_name.text(); }
    QString result() const { return m_result.text(); }
    QColor colour() const { return m_colour; }
    bool whole() const { return m_whole; }

protected:
    void resizeEvent(QResizeEvent *) override { layOutCard(); }
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const bool focused = hasFocus();
        painter.setPen(QPen(palette().color(focused ? QPalette::Highlight : QPalette::Mid), focused ? 3 : 1));
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
        const qreal padding = cardPadding(m_pixelSize);
        const QPointF at(padding, (height() - m_textHeight) / 2);
        painter.setPen(palette().color(QPalette::Text));
        m_name.draw(&painter, at);
        painter.setPen(m_colour);
        m_result.draw(&painter, at + QPointF(0, m_nameHeight + m_pixelSize / 5.0));
    }

private:
    void layOutCard()
    {
        const QFont font = viewFont(m_pixelSize);
        m_name.setFont(font);
        m_result.setFont(font);
        const qreal padding = cardPadding(m_pixelSize), width = this->width() - 2 * padding;
        m_nameHeight = layOut(m_name, width);
        m_textHeight = m_nameHeight + m_pixelSize / 5.0 + layOut(m_result, width);
        // Whole, as laid out: no line wider than the card, every line within its height.
        const QRectF name = m_name.boundingRect(), result = m_result.boundingRect();
        m_whole = name.width() <= width && result.width() <= width
                  && name.height() + m_pixelSize / 5.0 + result.height() + 2 * padding <= height();
    }

    QTextLayout m_name, m_result;
    QColor m_colour;
    int m_pixelSize = 1;
    qreal m_nameHeight = 0, m_textHeight = 0;
    bool m_whole = false;
};

namespace {

QAccessibleInterface *accessibleFor(const QString &className, QObject *object)
{
    if (className == QLatin1String("draw::RoomRow"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::ListItem);
    if (className == QLatin1String("draw::RoomList"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::List);
    return nullptr;
}

}  // namespace

RoomView::RoomView(TombalForm &sheet) : QWidget(&sheet, Qt::Window | Qt::FramelessWindowHint), m_sheet(sheet)
{
    static const bool accessible = (QAccessible::installFactory(accessibleFor), true);
    Q_UNUSED(accessible)
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("発表"));
    m_list = new RoomList(this);
    m_list->setAccessibleName(QStringLiteral("抽選結果"));
    m_table = sheet.shownResults();
    m_concealed.assign(std::size_t(m_table.size()), false);
    for (qsizetype i = 0; i < m_table.size(); ++i) {
        m_rows.push_back(new RoomRow(m_list));
        for (const QLatin1StringView box : {ui::names::Txt_Name, ui::names::Txt_Kekka})
            connect(sheet.textBox(box, int(i)), &QLineEdit::textChanged, this, &RoomView::queueFollow);
    }
}

RoomView::~RoomView() = default;

void RoomView::present()
{
    // Beside a laptop's screen the second one is the projector's.
    QScreen *target = m_sheet.screen();
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (QScreen *screen : screens)
        if (screen != m_sheet.screen()) {
            target = screen;
            break;
        }
    setScreen(target);
    // Without a window manager a window asking for the full screen keeps the size it has.
    setGeometry(target->geometry());
    showFullScreen();
    raise();
    activateWindow();
    if (!m_rows.empty())
        m_rows.front()->setFocus(Qt::OtherFocusReason);
}

void RoomView::queueFollow()
{
    if (m_followQueued)
        return;
    m_followQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_followQueued = false;
        follow();
    });
}

void RoomView::follow()
{
    const results::Table now = m_sheet.shownResults();
    if (now == m_table)
        return;
    bool texts = now.size() != m_table.size();
    m_concealed.resize(std::size_t(now.size()), false);
    for (qsizetype i = 0; i < now.size() && i < m_table.size(); ++i) {
        const bool wasPending = m_table[i].result == pendingMark(), pending = now[i].result == pendingMark();
        if (wasPending != pending)
            m_concealed[std::size_t(i)] = !pending && m_concealDrawn;
        texts = texts || now[i].name != m_table[i].name || now[i].result != m_table[i].result;
    }
    m_table = now;
    if (texts)
        relayout();
    else
        for (std::size_t i = 0; i < m_rows.size(); ++i)
            showRow(int(i));
}

void RoomView::showRow(int row)
{
    const results::Row &shown = m_table[row];
    const bool concealed = m_concealed[std::size_t(row)];
    const bool won = shown.won && !concealed;
    m_rows[std::size_t(row)]->setCard(shown.name, concealed ? pendingMark() : shown.result,
                                      won ? QColor(ui::red(TombalForm::winnerColour),
                                                   ui::green(TombalForm::winnerColour),
                                                   ui::blue(TombalForm::winnerColour))
                                          : palette().color(QPalette::Text),
                                      won, m_pixelSize);
}

void RoomView::relayout()
{
    m_list->setGeometry(rect());
    if (m_rows.empty())
        return;
    const int margin = std::max(4, std::min(width(), height()) / 60);
    const QRect area = rect().adjusted(margin, margin, -margin, -margin);
    Fitter fitter(m_table, area.size(), margin);
    const Fit fit = fitter.best();
    m_pixelSize = fit.pixelSize;
    const QSize cell = fitter.cell(fit.columns);
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const int column = int(i) % fit.columns, line = int(i) / fit.columns;
        m_rows[i]->setGeometry(area.x() + column * (cell.width() + margin), area.y() + line * (cell.height() + margin),
                               cell.width(), cell.height());
        showRow(int(i));
    }
}

void RoomView::drawAndReveal(bool oneAtATime)
{
    follow();
    int first = -1;  // the first row this press shows anew
    for (qsizetype i = 0; i < m_table.size() && first < 0; ++i)
        if (m_table[i].result == pendingMark())
            first = int(i);
    if (first >= 0) {
        // The sheet's own draw: the view never decides a result.
        m_concealDrawn = oneAtATime;
        m_sheet.Command1_Click();
        follow();
        m_concealDrawn = false;
    }
    for (std::size_t i = 0; i < m_concealed.size(); ++i) {
        if (!m_concealed[i])
            continue;
        if (first < 0 || int(i) < first)
            first = int(i);
        reveal(int(i));
        if (oneAtATime)
            break;
    }
    // A screen reader reads the row that has the focus.
    if (first >= 0)
        m_rows[std::size_t(first)]->setFocus(Qt::OtherFocusReason);
}

void RoomView::reveal(int row)
{
    m_concealed[std::size_t(row)] = false;
    showRow(row);
}

QList<RoomView::Shown> RoomView::shown() const
{
    QList<Shown> out;
    for (const RoomRow *row : m_rows)
        out.append({row->name(), row->result(), row->colour(), row->geometry(), row->whole()});
    return out;
}

void RoomView::keyPressEvent(QKeyEvent *event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    switch (plain ? event->key() : 0) {
    case Qt::Key_Escape:
    case Qt::Key_F11:
        close();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        // A key held down would reveal everything at once.
        if (!event->isAutoRepeat())
            drawAndReveal(event->key() == Qt::Key_Space);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void RoomView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void RoomView::paintEvent(QPaintEvent *)
{
    QPainter(this).fillRect(rect(), palette().color(QPalette::Base));
}

void RoomView::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    // Back to the sheet, whose results stay as they are.
    if (m_sheet.isVisible())
        m_sheet.activateWindow();
}

}  // namespace draw

#include "roomview.moc"
