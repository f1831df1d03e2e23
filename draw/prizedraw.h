#pragma once
// The draw sheet's preparation and drawing, without widgets. The sheet window hands in its
// own rows through the small interface below and the list windows' rows as plain lists, so
// the same steps run on the window and on plain data in tests.

#include "draw/random.h"
#include "lists/entrylist.h"

#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <functional>
#include <optional>

namespace draw {

using lists::RowCount;

// "？？？？？": marks a row that awaits the drawing. Compared whole and exactly.
inline QString pendingMark()
{
    return QStringLiteral("？？？？？");
}
// The result of a row that drew no prize.
inline QString noPrize()
{
    return QStringLiteral("はずれ");
}

// The 40 rows of the draw sheet: frame i holds the name box and, below it, the result box.
class SheetRows {
public:
    enum class Part { Name, Result, Frame };
    virtual ~SheetRows() = default;
    virtual QString result(int row) const = 0;
    virtual void setResult(int row, const QString &text) = 0;
    virtual void setName(int row, const QString &text) = 0;
    virtual void hide(int row, Part part) = 0;
    // Shows the row's result as a win (red text) or not (the text colour it was created with).
    virtual void setWinner(int row, bool won) = 0;
};

// The rows of a list window as they stand, unsaved edits included; nothing when the list
// could not be had (its file unreadable: the user has been told why).
using RowSource = std::function<std::optional<lists::EntryList>()>;

struct DrawOutcome {
    int drawn = 0;                   // rows that got a result on this press
    int winners = 0;                 // of those, rows that won a prize
    int leftPending = 0;             // pending rows for which no free slot was left
    bool prizesUnavailable = false;  // the prize list could not be had; nothing changed
};

// What a draw sheet keeps from its preparation to its unloading.
class DrawSheet {
public:
    // Seeds the generator, copies the participants ticked exactly 1 into rows 0, 1, ... with
    // the pending mark, hides the rows left over and frees prize slots 0 to EntryCount - 1.
    void setup(SheetRows &rows, const lists::EntryList &participants);

    // Gives every pending row a random free prize slot among 0 to EntryCount - 1: a ticked
    // prize with a name wins (shown in red), anything else gives "はずれ" (never in red, though
    // the row's mark was typed back after a win). Each slot goes out once while the sheet is
    // loaded.
    //
    // The prize list is fetched once, before any row changes, and only if some row is
    // pending and some slot is still free; if it cannot be had, the press changes nothing.
    //
    // A pending row that finds no free slot (its mark was typed in again, or a prize was
    // itself named "？？？？？", after every slot was given out) is left exactly as it is:
    // marking it "はずれ" would invent a result that was never drawn, or wipe out a prize
    // the row really won. Free slots only ever run out, so once one row finds none every
    // later row finds none too and the press ends.
    DrawOutcome draw(SheetRows &rows, const RowSource &prizes);

    qint16 entryCount() const { return m_entryCount; }
    // The rows whose last drawing won a prize, whatever was typed into them since.
    int winners() const { return int(std::count(m_won.begin(), m_won.end(), true)); }
    bool slotTaken(int slot) const { return m_slotTaken[std::size_t(slot)] != 0; }
    int freeSlots() const;
    Random &random() { return m_random; }

private:
    int pickFreeSlot();

    qint16 m_entryCount = 0;
    std::array<qint16, RowCount> m_slotTaken{};
    std::array<bool, RowCount> m_won{};
    Random m_random;
};

}  // namespace draw
