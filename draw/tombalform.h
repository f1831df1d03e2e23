#pragma once
// The draw sheet: lists the ticked participants, draws a prize slot for each, prints.

#include "draw/prizedraw.h"
#include "draw/results.h"
#include "draw/roomview.h"
#include "ui/form.h"

#include <QPointer>

#include <functional>

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

    // The listed rows as they stand: names and results as shown (typed over or not), and won
    // where the result is in the winners' colour.
    results::Table shownResults() const;

    // The room's view while it is open; nothing of it exists before its first opening.
    RoomView *roomView() const { return m_roomView; }

    // Where to save the results, asked with `suggested` proposed; empty when the user cancels.
    // Tests answer in the user's place.
    std::function<QString(QWidget *parent, const QString &suggested)> askResultsPath;

    void extendContextMenu(QMenu *menu) override;

public Q_SLOTS:
    void Command1_Click();  // 抽選
    void Command2_Click();  // やめる
    void Command3_Click();  // 印刷

    void toggleRoomView();  // F11: 発表
    void copyResults();     // Ctrl+C: 結果をコピー
    void saveResults();     // Ctrl+S: 結果を保存…

protected:
    bool loadSteps() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // False when the participant list could not be loaded; it has told the user why.
    bool SheetSetup();
    void PrizeDraw();
    // The sheet's own keys beside Enter and Esc, pressed in `receiver`; true when the key was one of them.
    bool sheetKey(QKeyEvent *event, QObject *receiver);

    RowSource m_participants, m_prizes;
    DrawSheet m_sheet;
    DrawOutcome m_lastDraw;
    QPointer<RoomView> m_roomView;
};

}  // namespace draw
