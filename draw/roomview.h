#pragma once
// The room's view (発表): the draw sheet's participants and their results on a whole screen,
// in letters as large as the screen allows, for a projector or a screen facing the room. It
// only ever shows what the sheet holds; a draw started here is the sheet's own draw.

#include "draw/results.h"

#include <QColor>
#include <QList>
#include <QRect>
#include <QWidget>

#include <vector>

namespace draw {

class TombalForm;
class RoomRow;

class RoomView : public QWidget {
    Q_OBJECT
public:
    // A window of its own, owned by the sheet: it goes when the sheet goes. Deleted when closed.
    explicit RoomView(TombalForm &sheet);
    ~RoomView() override;

    // Shows the view full screen on a screen the sheet is not on or, with one screen, on the sheet's.
    void present();
    // Reads the sheet again: a draw or an edit there shows here at once. Rows that Space drew
    // and has not revealed yet stay hidden.
    void follow();

    // What each row shows now (tests): the name and the result, the result's colour, where the
    // row stands in the view, and whether both texts fit in it whole.
    struct Shown {
        QString name, result;
        QColor colour;
        QRect rect;
        bool whole = false;
    };
    QList<Shown> shown() const;
    // The letters' size in pixels.
    int pixelSize() const { return m_pixelSize; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Enter: the sheet's draw, every result shown. Space: the same draw, its results shown
    // one at a time in sheet order, one more at each press.
    void drawAndReveal(bool oneAtATime);
    void reveal(int row);
    void queueFollow();
    void showRow(int row);
    void relayout();

    TombalForm &m_sheet;
    results::Table m_table;         // the sheet as last read
    std::vector<bool> m_concealed;  // drawn by Space and not revealed yet
    bool m_concealDrawn = false;    // while Space's draw runs
    bool m_followQueued = false;
    QWidget *m_list = nullptr;
    std::vector<RoomRow *> m_rows;
    int m_pixelSize = 0;
};

}  // namespace draw
