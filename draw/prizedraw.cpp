#include "draw/prizedraw.h"

namespace draw {

void DrawSheet::setup(SheetRows &rows, const lists::EntryList &participants)
{
    m_random.reseed();

    int n = 0;
    m_entryCount = 0;
    m_won = {};
    for (int i = 0; i < RowCount; ++i) {
        const lists::EntryRow &participant = participants[std::size_t(i)];
        if (participant.tick != 1)  // greyed (2) does not take part
            continue;
        rows.setName(n, participant.text);
        rows.setResult(n, pendingMark());
        ++n;
        ++m_entryCount;
    }

    for (int r = n; r < RowCount; ++r) {
        rows.setResult(r, QString());
        rows.hide(r, SheetRows::Part::Name);
        rows.hide(r, SheetRows::Part::Result);
        rows.hide(r, SheetRows::Part::Frame);
    }

    for (int j = 0; j < RowCount; ++j)
        m_slotTaken[std::size_t(j)] = rows.result(j) == pendingMark() ? 0 : 1;
}

int DrawSheet::freeSlots() const
{
    int free = 0;
    for (int k = 0; k < m_entryCount; ++k)
        free += m_slotTaken[std::size_t(k)] == 0;
    return free;
}

int DrawSheet::pickFreeSlot()
{
    // Rejection: uniform over the free slots of 0 .. EntryCount - 1. The caller makes sure
    // one is free, and every r < 1 lands in that range.
    int slot = 0;
    do {
        slot = slotFor(m_entryCount, m_random.next());
    } while (m_slotTaken[std::size_t(slot)] != 0);
    return slot;
}

DrawOutcome DrawSheet::draw(SheetRows &rows, const RowSource &prizes)
{
    DrawOutcome outcome;

    bool anyPending = false;
    for (int i = 0; i < RowCount && !anyPending; ++i)
        anyPending = rows.result(i) == pendingMark();
    if (!anyPending || freeSlots() == 0) {
        // Nothing can be drawn: the prize list is not even fetched.
        for (int i = 0; i < RowCount; ++i)
            outcome.leftPending += rows.result(i) == pendingMark();
        return outcome;
    }

    const std::optional<lists::EntryList> prizeList = prizes ? prizes() : std::nullopt;
    if (!prizeList) {
        outcome.prizesUnavailable = true;
        return outcome;
    }

    int free = freeSlots();
    for (int i = 0; i < RowCount; ++i) {
        if (rows.result(i) != pendingMark())
            continue;
        if (free == 0) {
            ++outcome.leftPending;
            continue;
        }
        const int slot = pickFreeSlot();
        const QString &prize = (*prizeList)[std::size_t(slot)].text;
        const int tick = (*prizeList)[std::size_t(slot)].tick;
        const bool won = !prize.isEmpty() && tick == 1;
        if (won) {
            rows.setResult(i, prize);
            ++outcome.winners;
        } else {
            rows.setResult(i, noPrize());
        }
        rows.setWinner(i, won);
        m_won[std::size_t(i)] = won;
        m_slotTaken[std::size_t(slot)] = 1;
        --free;
        ++outcome.drawn;
    }
    return outcome;
}

}  // namespace draw
