#pragma once
// The draw sheet: lists the ticked participants, draws a prize slot for each, prints.

#include "draw/prizedraw.h"
#include "ui/form.h"

namespace draw {

class TombalForm : public ui::Form {
    Q_OBJECT
public:
    // The participants are read when the sheet is prepared, the prizes at each press of 抽選.
    TombalForm(RowSource participants, RowSource prizes);

    // What the preparation and the drawings keep: EntryCount, SlotTaken, the generator.
    DrawSheet &sheet() { return m_sheet; }
    const DrawSheet &sheet() const { return m_sheet; }

    // The outcome of the last press of "抽選".
    const DrawOutcome &lastDraw() const { return m_lastDraw; }

    // The colour of a winning result.
    static constexpr ui::Colour winnerColour = ui::rgb(255, 0, 0);

public Q_SLOTS:
    void Command1_Click();  // 抽選
    void Command2_Click();  // やめる
    void Command3_Click();  // 印刷

protected:
    bool loadSteps() override;

private:
    // False when the participant list could not be loaded; it has told the user why.
    bool SheetSetup();
    void PrizeDraw();

    RowSource m_participants, m_prizes;
    DrawSheet m_sheet;
    DrawOutcome m_lastDraw;
};

}  // namespace draw
