// The draw sheet's preparation and drawing on plain rows, and the generator behind them.

#include "draw/prizedraw.h"
#include "draw/random.h"

#include <QtTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>

using draw::DrawSheet;
using draw::EntryRows;
using draw::RowCount;
using draw::SheetRows;
using draw::noPrize;
using draw::pendingMark;

namespace {

// The sheet's 40 rows as data, with a log of what was done to them in which order.
struct Sheet : SheetRows {
    std::array<QString, RowCount> names, results;
    std::array<bool, RowCount> nameShown, resultShown, frameShown, red;
    QStringList log;
    bool logging = false;  // only the test of the order of steps needs it

    Sheet()
    {
        nameShown.fill(true);
        resultShown.fill(true);
        frameShown.fill(true);
        red.fill(false);
    }
    QString result(int row) const override { return results[std::size_t(row)]; }
    void setResult(int row, const QString &text) override
    {
        results[std::size_t(row)] = text;
        if (logging)
            log << QStringLiteral("result %1").arg(row);
    }
    void setName(int row, const QString &text) override
    {
        names[std::size_t(row)] = text;
        if (logging)
            log << QStringLiteral("name %1").arg(row);
    }
    void hide(int row, Part part) override
    {
        const char *what = part == Part::Name ? "Name" : part == Part::Result ? "Result" : "Frame";
        (part == Part::Name ? nameShown : part == Part::Result ? resultShown : frameShown)[std::size_t(row)] = false;
        if (logging)
            log << QStringLiteral("hide %1 %2").arg(QLatin1String(what)).arg(row);
    }
    void markWinner(int row) override
    {
        red[std::size_t(row)] = true;
        if (logging)
            log << QStringLiteral("red %1").arg(row);
    }
    bool visible(int row) const
    {
        const auto r = std::size_t(row);
        return nameShown[r] && resultShown[r] && frameShown[r];
    }
    int count(const QString &text) const { return int(std::count(results.begin(), results.end(), text)); }
};

struct List : EntryRows {
    std::array<int, RowCount> ticks{};
    std::array<QString, RowCount> texts;
    int tick(int row) const override { return ticks[std::size_t(row)]; }
    QString text(int row) const override { return texts[std::size_t(row)]; }
    void set(int row, int tickValue, const QString &text)
    {
        ticks[std::size_t(row)] = tickValue;
        texts[std::size_t(row)] = text;
    }
};

List participants(int n)
{
    List l;
    for (int i = 0; i < n; ++i)
        l.set(i, 1, QStringLiteral("参加者%1").arg(i + 1));
    return l;
}

// A prize list source that counts how often the drawing fetched it.
struct Prizes {
    List list;
    int fetched = 0;
    bool available = true;
    draw::PrizeListSource source()
    {
        return [this]() -> const EntryRows * {
            ++fetched;
            return available ? &list : nullptr;
        };
    }
};

// Deterministic seeds: splitmix64 over a counter.
struct SeedSequence {
    std::uint64_t state;
    std::uint64_t operator()()
    {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
};

}  // namespace

class TestDraw : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { draw::setSeedSource(SeedSequence{42}); }
    void cleanup() { draw::setSeedSource({}); }

    // ----- preparation -----

    void setupWithNobodyTicked()
    {
        Sheet s;
        DrawSheet d;
        d.setup(s, List{});
        QCOMPARE(d.entryCount(), qint16(0));
        for (int i = 0; i < RowCount; ++i) {
            QVERIFY(!s.nameShown[std::size_t(i)] && !s.resultShown[std::size_t(i)] && !s.frameShown[std::size_t(i)]);
            QVERIFY(d.slotTaken(i));
            QCOMPARE(s.results[std::size_t(i)], QString());
        }

        Prizes p;
        p.list = participants(40);
        const Sheet before = s;
        const draw::DrawOutcome o = d.draw(s, p.source());
        QCOMPARE(p.fetched, 0);
        QCOMPARE(o.drawn, 0);
        QCOMPARE(s.results, before.results);
    }

    void setupWithEveryoneTicked()
    {
        Sheet s;
        DrawSheet d;
        d.setup(s, participants(40));
        QCOMPARE(d.entryCount(), qint16(40));
        for (int i = 0; i < RowCount; ++i) {
            QVERIFY(s.visible(i));
            QCOMPARE(s.names[std::size_t(i)], QStringLiteral("参加者%1").arg(i + 1));
            QCOMPARE(s.results[std::size_t(i)], pendingMark());
            QVERIFY(!d.slotTaken(i));
        }
        QCOMPARE(pendingMark(), QString(5, QChar(0xFF1F)));
    }

    void setupPacksTickedRowsInListOrder()
    {
        List l;
        l.set(3, 1, QStringLiteral("三"));
        l.set(7, 1, QStringLiteral("七"));
        l.set(20, 1, QStringLiteral("二十"));
        l.set(5, 2, QStringLiteral("灰色"));   // greyed: not copied
        l.set(9, 0, QStringLiteral("未選択"));  // unticked
        Sheet s;
        s.logging = true;
        // Names already in the hidden rows' boxes are left alone.
        s.names[10] = QStringLiteral("前の名前");
        DrawSheet d;
        d.setup(s, l);

        QCOMPARE(d.entryCount(), qint16(3));
        QCOMPARE(s.names[0], QStringLiteral("三"));
        QCOMPARE(s.names[1], QStringLiteral("七"));
        QCOMPARE(s.names[2], QStringLiteral("二十"));
        QCOMPARE(s.names[10], QStringLiteral("前の名前"));
        for (int i = 0; i < 3; ++i) {
            QVERIFY(s.visible(i));
            QCOMPARE(s.results[std::size_t(i)], pendingMark());
            QVERIFY(!d.slotTaken(i));
        }
        for (int i = 3; i < RowCount; ++i) {
            QVERIFY(!s.nameShown[std::size_t(i)] && !s.resultShown[std::size_t(i)] && !s.frameShown[std::size_t(i)]);
            QCOMPARE(s.results[std::size_t(i)], QString());
            QVERIFY(d.slotTaken(i));
        }
        // Each unused row: result emptied, then name box, result box and frame hidden.
        const int first = int(s.log.indexOf(QStringLiteral("result 3")));
        QVERIFY(first > 0);
        QCOMPARE(s.log.mid(first, 4), (QStringList{QStringLiteral("result 3"), QStringLiteral("hide Name 3"),
                                                   QStringLiteral("hide Result 3"), QStringLiteral("hide Frame 3")}));
        QCOMPARE(s.log.last(), QStringLiteral("hide Frame 39"));
    }

    void tickedRowWithoutNameTakesPart()
    {
        List l;
        l.set(0, 1, QString());
        l.set(1, 1, QStringLiteral("名前"));
        Sheet s;
        DrawSheet d;
        d.setup(s, l);
        QCOMPARE(d.entryCount(), qint16(2));
        QVERIFY(s.visible(0));
        QCOMPARE(s.names[0], QString());
        QCOMPARE(s.results[0], pendingMark());

        Prizes p;
        p.list.set(0, 1, QStringLiteral("賞A"));
        p.list.set(1, 1, QStringLiteral("賞B"));
        d.draw(s, p.source());
        QCOMPARE(s.count(QStringLiteral("賞A")) + s.count(QStringLiteral("賞B")), 2);
        QVERIFY(s.red[0] && s.red[1]);
    }

    void everyLoadTakesAFreshSeed()
    {
        int seeds = 0;
        draw::setSeedSource([&seeds] { return std::uint64_t(++seeds); });
        Sheet s;
        DrawSheet d;
        d.setup(s, participants(2));
        QCOMPARE(seeds, 1);
        QCOMPARE(d.random().lastSeed(), std::uint64_t(1));
        d.draw(s, Prizes{}.source());
        QCOMPARE(seeds, 1);  // drawing does not re-seed

        // Without a test source, seeds come from the clock and random_device: two sheets
        // prepared back to back within the same second still differ.
        draw::setSeedSource({});
        DrawSheet a, b;
        Sheet sa, sb;
        a.setup(sa, participants(2));
        b.setup(sb, participants(2));
        QVERIFY(a.random().lastSeed() != b.random().lastSeed());
        QVERIFY(draw::clockSeed() != draw::clockSeed());
    }

    // ----- drawing -----

    void fiveParticipantsThreePrizes()
    {
        std::set<int> winningRows;
        for (std::uint64_t seed = 1; seed <= 30; ++seed) {
            draw::setSeedSource(SeedSequence{seed});
            Sheet s;
            DrawSheet d;
            d.setup(s, participants(5));
            Prizes p;
            p.list.set(0, 1, QStringLiteral("テレビ"));
            p.list.set(1, 1, QStringLiteral("自転車"));
            p.list.set(2, 1, QStringLiteral("図書券"));
            // Rows 3 and 4 empty; prizes beyond the five slots never take part.
            p.list.set(5, 1, QStringLiteral("圏外"));
            const draw::DrawOutcome o = d.draw(s, p.source());
            QCOMPARE(p.fetched, 1);
            QCOMPARE(o.drawn, 5);
            QCOMPARE(o.winners, 3);
            QCOMPARE(s.count(QStringLiteral("テレビ")), 1);
            QCOMPARE(s.count(QStringLiteral("自転車")), 1);
            QCOMPARE(s.count(QStringLiteral("図書券")), 1);
            QCOMPARE(s.count(noPrize()), 2);
            QCOMPARE(s.count(QStringLiteral("圏外")), 0);
            for (int i = 0; i < 5; ++i) {
                const bool won = s.results[std::size_t(i)] != noPrize();
                QCOMPARE(s.red[std::size_t(i)], won);
                if (won)
                    winningRows.insert(i);
            }
            for (int k = 0; k < 5; ++k)
                QVERIFY(d.slotTaken(k));
        }
        // Which rows win changes from load to load.
        QCOMPARE(int(winningRows.size()), 5);
    }

    void prizesOutsideTheSlotsNeverWin()
    {
        Sheet s;
        DrawSheet d;
        d.setup(s, participants(5));
        Prizes p;
        for (int k = 5; k <= 9; ++k)
            p.list.set(k, 1, QStringLiteral("景品%1").arg(k));
        const draw::DrawOutcome o = d.draw(s, p.source());
        QCOMPARE(o.winners, 0);
        QCOMPARE(s.count(noPrize()), 5);
        QVERIFY(std::none_of(s.red.begin(), s.red.end(), [](bool r) { return r; }));
    }

    void onlyTickedNamedPrizesWin()
    {
        Sheet s;
        DrawSheet d;
        d.setup(s, participants(4));
        Prizes p;
        p.list.set(0, 0, QStringLiteral("未選択の景品"));
        p.list.set(1, 1, QString());
        p.list.set(2, 2, QStringLiteral("灰色の景品"));
        p.list.set(3, 1, QStringLiteral(" "));  // a space is a name
        const draw::DrawOutcome o = d.draw(s, p.source());
        QCOMPARE(o.winners, 1);
        QCOMPARE(s.count(QStringLiteral(" ")), 1);
        QCOMPARE(s.count(noPrize()), 3);
    }

    void fullSheetGivesEverySlotOnce()
    {
        for (std::uint64_t seed = 1; seed <= 20; ++seed) {
            draw::setSeedSource(SeedSequence{seed});
            Sheet s;
            DrawSheet d;
            d.setup(s, participants(40));
            Prizes p;
            for (int k = 0; k < RowCount; ++k)
                p.list.set(k, 1, QStringLiteral("P%1").arg(k));
            const draw::DrawOutcome o = d.draw(s, p.source());
            QCOMPARE(o.drawn, 40);
            QCOMPARE(o.winners, 40);
            const std::set<QString> given(s.results.begin(), s.results.end());
            QCOMPARE(int(given.size()), 40);
            for (int k = 0; k < RowCount; ++k) {
                QVERIFY(given.count(QStringLiteral("P%1").arg(k)));
                QVERIFY(d.slotTaken(k));
            }
        }
    }

    void secondPressChangesNothing()
    {
        Sheet s;
        DrawSheet d;
        d.setup(s, participants(3));
        Prizes p;
        p.list = participants(3);
        d.draw(s, p.source());
        const Sheet after = s;
        const draw::DrawOutcome o = d.draw(s, p.source());
        QCOMPARE(p.fetched, 1);  // the second press does not even fetch the prize list
        QCOMPARE(o.drawn, 0);
        QCOMPARE(s.results, after.results);
        QCOMPARE(s.red, after.red);
    }

    void clearedRowKeepsItsSlotForLater()
    {
        Sheet s;
        DrawSheet d;
        d.setup(s, participants(3));
        s.results[1].clear();  // the user empties row 1's result box
        Prizes p;
        p.list.set(0, 1, QStringLiteral("A"));
        p.list.set(1, 1, QStringLiteral("B"));
        p.list.set(2, 1, QStringLiteral("C"));
        QCOMPARE(d.draw(s, p.source()).drawn, 2);
        QCOMPARE(s.results[1], QString());
        QCOMPARE(d.freeSlots(), 1);

        // Typing the mark back in gets it the one slot left.
        s.results[1] = pendingMark();
        QCOMPARE(d.draw(s, p.source()).drawn, 1);
        QCOMPARE(d.freeSlots(), 0);
        const std::set<QString> given(s.results.begin(), s.results.begin() + 3);
        QCOMPARE(given, (std::set<QString>{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
    }

    void pendingRowWithoutFreeSlotStaysPending()
    {
        Sheet s;
        DrawSheet d;
        d.setup(s, participants(3));
        Prizes p;
        p.list.set(0, 1, QStringLiteral("A"));
        d.draw(s, p.source());
        const Sheet drawn = s;

        // Every slot is out; the mark typed in again is left as it is, no slot goes twice.
        s.results[2] = pendingMark();
        const draw::DrawOutcome o = d.draw(s, p.source());
        QCOMPARE(o.drawn, 0);
        QCOMPARE(o.leftPending, 1);
        QCOMPARE(p.fetched, 1);  // nothing to draw: not fetched
        QCOMPARE(s.results[2], pendingMark());
        QCOMPARE(s.red[2], drawn.red[2]);
        QCOMPARE(s.count(QStringLiteral("A")), drawn.count(QStringLiteral("A")));
    }

    void morePendingRowsThanFreeSlots()
    {
        Sheet s;
        DrawSheet d;
        d.setup(s, participants(4));
        s.results[3].clear();  // slot kept free for a later press
        Prizes p;
        for (int k = 0; k < 4; ++k)
            p.list.set(k, 1, QStringLiteral("P%1").arg(k));
        d.draw(s, p.source());
        s.results[0] = pendingMark();
        s.results[3] = pendingMark();
        const draw::DrawOutcome o = d.draw(s, p.source());
        QCOMPARE(o.drawn, 1);  // row 0 takes the last slot
        QCOMPARE(o.leftPending, 1);
        QCOMPARE(s.results[3], pendingMark());
        const std::set<QString> given(s.results.begin(), s.results.begin() + 3);
        QCOMPARE(int(given.size()), 3);  // rows 0 to 2 hold three different prizes
        QCOMPARE(d.freeSlots(), 0);
    }

    void prizeNamedLikeTheMarkIsDrawnAgain()
    {
        Sheet s;
        DrawSheet d;
        d.setup(s, participants(3));
        s.results[2].clear();  // keeps one slot free
        // r = 0 gives row 0 slot 0, r = 0.5 slot 1, r = 0.9 slot 2.
        const std::array<double, 4> rs = {0.0, 0.5, 0.5, 0.9};
        std::size_t next = 0;
        d.random().setBitSource([&] {
            const double r = rs[std::min(next++, rs.size() - 1)];
            return std::uint64_t(std::ldexp(r, 53)) << 11;
        });
        Prizes p;
        p.list.set(0, 1, pendingMark());
        p.list.set(1, 1, QStringLiteral("B"));
        p.list.set(2, 1, QStringLiteral("C"));
        d.draw(s, p.source());
        QCOMPARE(s.results[0], pendingMark());
        QVERIFY(s.red[0]);
        QCOMPARE(s.results[1], QStringLiteral("B"));

        // The next press draws row 0 again, from the one slot still free (r = 0.5 is rejected).
        const draw::DrawOutcome o = d.draw(s, p.source());
        QCOMPARE(o.drawn, 1);
        QCOMPARE(s.results[0], QStringLiteral("C"));
        QCOMPARE(next, rs.size());

        // With no slot left, a row that won a prize of that name keeps it.
        s.results[0] = pendingMark();
        QCOMPARE(d.draw(s, p.source()).leftPending, 1);
        QCOMPARE(s.results[0], pendingMark());
        QVERIFY(s.red[0]);
    }

    void unavailablePrizeListChangesNothing()
    {
        Sheet s;
        DrawSheet d;
        d.setup(s, participants(5));
        const Sheet before = s;
        Prizes p;
        p.available = false;
        const draw::DrawOutcome o = d.draw(s, p.source());
        QVERIFY(o.prizesUnavailable);
        QCOMPARE(p.fetched, 1);
        QCOMPARE(s.results, before.results);
        QCOMPARE(d.freeSlots(), 5);

        // Once the list can be had, the same press draws normally.
        p.available = true;
        p.list = participants(5);
        QCOMPARE(d.draw(s, p.source()).drawn, 5);
    }

    // ----- the generator -----

    void unitNumbersStayBelowOne()
    {
        QCOMPARE(draw::unitFromBits(0), 0.0);
        QVERIFY(draw::unitFromBits(~std::uint64_t(0)) < 1.0);
        QCOMPARE(draw::unitFromBits(~std::uint64_t(0)), 1.0 - 0x1.0p-53);

        draw::Random r;
        r.setBitSource([] { return ~std::uint64_t(0); });
        const double top = r.next();
        QVERIFY(top < 1.0);
        for (int n = 1; n <= 40; ++n) {
            QCOMPARE(draw::slotFor(n, top), n - 1);
            QCOMPARE(draw::slotFor(n, 0.0), 0);
        }
        // The range's ends for every sheet size, where double arithmetic would round up.
        QCOMPARE(draw::slotFor(32, 1.0 - 0x1.0p-53), 31);
        QCOMPARE(draw::slotFor(40, 0.5), 20);
        QCOMPARE(draw::slotFor(40, std::nextafter(0.5, 0.0)), 19);
        QCOMPARE(draw::slotFor(3, 1.0 / 3.0), 0);  // 1/3 in doubles lies just below a third
        QCOMPARE(draw::slotFor(4, 0.25), 1);
        QCOMPARE(draw::slotFor(4, std::nextafter(0.25, 0.0)), 0);

        // A drawing fed nothing but all-ones bits still hands out valid slots.
        Sheet s;
        DrawSheet d;
        d.setup(s, participants(6));
        int calls = 0;
        d.random().setBitSource([&calls] { return ++calls == 1 ? ~std::uint64_t(0) : std::uint64_t(calls) << 56; });
        Prizes p;
        for (int k = 0; k < 6; ++k)
            p.list.set(k, 1, QStringLiteral("P%1").arg(k));
        QCOMPARE(d.draw(s, p.source()).drawn, 6);
        QCOMPARE(s.results[0], QStringLiteral("P5"));
    }

    void sameSeedSameSequence()
    {
        draw::Random a, b;
        a.seed(12345);
        b.seed(12345);
        for (int i = 0; i < 100; ++i)
            QCOMPARE(a.next(), b.next());
        b.seed(12346);
        QVERIFY(a.next() != b.next());
    }

    // Every arrangement of 4 prizes over 4 rows, over many loads, comes up equally often.
    void arrangementsAreUniform()
    {
        draw::setSeedSource(SeedSequence{2024});
        constexpr int loads = 24000;
        std::map<QString, int> seen;
        Prizes p;
        for (int k = 0; k < 4; ++k)
            p.list.set(k, 1, QString(QLatin1Char(char('A' + k))));
        const List four = participants(4);
        for (int n = 0; n < loads; ++n) {
            Sheet s;
            DrawSheet d;
            d.setup(s, four);
            d.draw(s, p.source());
            ++seen[s.results[0] + s.results[1] + s.results[2] + s.results[3]];
        }
        QCOMPARE(int(seen.size()), 24);
        const double expected = loads / 24.0;
        double chi2 = 0;
        for (const auto &[arrangement, count] : seen) {
            QCOMPARE(arrangement.size(), 4);
            chi2 += (count - expected) * (count - expected) / expected;
        }
        // 23 degrees of freedom; 49.73 is the 0.1 % critical value. The seeds are fixed, so
        // the figure is the same on every run.
        qInfo("arrangements: chi-square %.2f with 23 degrees of freedom (limit 49.73)", chi2);
        QVERIFY2(chi2 < 49.73, qPrintable(QStringLiteral("chi-square %1").arg(chi2)));
    }

    // The last row of a full sheet draws after 39 slots are gone, through the most
    // rejections; its slot must still be uniform over 0 to 39.
    void lastRowOfFullSheetIsUniform()
    {
        draw::setSeedSource(SeedSequence{7});
        constexpr int loads = 8000;
        std::array<int, RowCount> slotOfLastRow{};
        Prizes p;
        for (int k = 0; k < RowCount; ++k)
            p.list.set(k, 1, QString::number(k));
        const List everyone = participants(40);
        for (int n = 0; n < loads; ++n) {
            Sheet s;
            DrawSheet d;
            d.setup(s, everyone);
            d.draw(s, p.source());
            ++slotOfLastRow[std::size_t(s.results[39].toInt())];
        }
        const double expected = loads / 40.0;
        double chi2 = 0;
        for (int count : slotOfLastRow)
            chi2 += (count - expected) * (count - expected) / expected;
        // 39 degrees of freedom; 72.05 is the 0.1 % critical value.
        qInfo("last row of a full sheet: chi-square %.2f with 39 degrees of freedom (limit 72.05)", chi2);
        QVERIFY2(chi2 < 72.05, qPrintable(QStringLiteral("chi-square %1").arg(chi2)));
    }
};

QTEST_APPLESS_MAIN(TestDraw)
#include "tst_draw.moc"
