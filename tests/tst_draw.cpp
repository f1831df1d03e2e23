// The draw on plain rows (preparation, fairness, every slot once, marks typed back) and its generator: no widgets
// needed.

#include "draw/prizedraw.h"

#include <QRandomGenerator>
#include <QtTest>

#include <array>

using namespace draw;
using namespace Qt::StringLiterals;

namespace {

// The sheet's rows as data.
struct Sheet : SheetRows {
    std::array<QString, RowCount> names, results;
    std::array<int, RowCount> hiddenParts{}, red{};
    QString result(int row) const override { return results[row]; }
    void setResult(int row, const QString &text) override { results[row] = text; }
    void setName(int row, const QString &text) override { names[row] = text; }
    void hide(int row, Part) override { ++hiddenParts[row]; }
    void setWinner(int row, bool won) override { red[row] = won; }
};

lists::EntryList randomList(QRandomGenerator &rng, const QString &prefix)
{
    lists::EntryList l;
    for (int i = 0; i < RowCount; ++i)
        l[i] = {qint16(rng.bounded(3)), rng.bounded(5) ? prefix + QString::number(i) : QString()};
    return l;
}

RowSource source(const lists::EntryList &prizes, int *fetched)
{
    return [&prizes, fetched] { return ++*fetched, std::optional(prizes); };
}

}  // namespace

class TestDraw : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        setSeedSource([n = quint64(1)]() mutable { return n++ * 0x9e3779b97f4a7c15ULL; });
    }
    void cleanup() { setSeedSource({}); }

    // Random participant and prize lists through preparation and two presses of 抽選.
    void preparesAndDrawsEverySlotOnce()
    {
        QRandomGenerator rng(1);
        for (int round = 0; round < 300; ++round) {
            const lists::EntryList people = randomList(rng, u"人"_s), prizes = randomList(rng, u"賞"_s);
            Sheet s;
            DrawSheet d;
            d.setup(s, people);
            QStringList listed;
            for (const lists::EntryRow &p : people)
                if (p.tick == 1)
                    listed << p.text;
            const int n = int(listed.size());
            for (int r = 0; r < RowCount; ++r) {
                QCOMPARE(s.results[r], r < n ? pendingMark() : QString());
                QCOMPARE(s.hiddenParts[r], r < n ? 0 : 3);  // name, result and frame
                QCOMPARE(s.names[r], listed.value(r));
            }
            int fetched = 0;
            const DrawOutcome outcome = d.draw(s, source(prizes, &fetched));
            QCOMPARE(fetched, n ? 1 : 0);
            // Prize rows 0 to n - 1, each once: a ticked prize with a name wins in red, anything else loses.
            QStringList dealt, results;
            for (int k = 0; k < n; ++k) {
                const lists::EntryRow &p = prizes[k];
                dealt << (p.tick == 1 && !p.text.isEmpty() ? p.text : noPrize());
                results << s.results[k];
                QCOMPARE(s.red[k], int(results.last() != noPrize()));
            }
            QCOMPARE(outcome.winners, n - int(dealt.count(noPrize())));
            dealt.sort();
            results.sort();
            QCOMPARE(results, dealt);
            // A second press changes nothing and does not read the prizes.
            const Sheet after = s;
            QCOMPARE(d.draw(s, source(prizes, &fetched)).drawn, 0);
            QCOMPARE(fetched, n ? 1 : 0);
            QCOMPARE(s.results, after.results);
        }
    }

    // The prize row the first of 8 gets, and the last when row 3's mark was cleared before the press (its slot stays
    // free). Then marks typed back on such a sheet: a row that had won takes the slot left free and, that prize
    // unticked, loses in the normal colour; a row that finds none stays as it is: nothing was drawn.
    void drawIsUniform()
    {
        constexpr int n = 8, sheets = 16000;
        lists::EntryList people, prizes, unticked;
        for (int i = 0; i < n; ++i) {
            people[i] = {1, u"人"_s};
            prizes[i] = {1, QString::number(i)};
            unticked[i] = {0, u"賞"_s};
        }
        for (const auto &[row, cleared] : {std::pair{0, -1}, {7, 3}}) {
            std::array<int, n> counts{};
            int fetched = 0;
            for (int i = 0; i < sheets; ++i) {
                Sheet s;
                DrawSheet d;
                d.setup(s, people);
                if (cleared >= 0)
                    s.results[cleared].clear();
                d.draw(s, source(prizes, &fetched));
                ++counts[size_t(s.results[row].toInt())];
                QCOMPARE(d.freeSlots(), cleared >= 0 ? 1 : 0);
                if (cleared < 0 || i > 0)
                    continue;
                s.results[5] = s.results[7] = pendingMark();
                const Sheet before = s;
                QCOMPARE(d.draw(s, source(unticked, &fetched)).leftPending, 1);
                QVERIFY(s.results[5] == noPrize() && !s.red[5] && s.results[7] == pendingMark()
                        && d.winners() == n - 2);
                for (int r = 0; r < RowCount; ++r)
                    QVERIFY(r == 5 || s.results[r] == before.results[r]);
            }
            double chi2 = 0, e = sheets / double(n);
            for (int c : counts)
                chi2 += (c - e) * (c - e) / e;
            QVERIFY2(
                chi2 < 29.9,
                qPrintable(u"row %1: chi-square %2 over 7 degrees of freedom (p < 0.0001)"_s.arg(row + 1).arg(chi2)));
        }
    }

    // The generator: a fresh seed for every sheet; the largest r below 1 picks slot count - 1 (doubles would round up).
    void generator()
    {
        setSeedSource({});
        Sheet s;
        DrawSheet a, b;
        a.setup(s, {});
        b.setup(s, {});
        QVERIFY(a.random().lastSeed() != b.random().lastSeed());
        const double r = unitFromBits(~quint64(0));
        QVERIFY(r < 1.0);
        for (int count = 1; count <= 2048; ++count)
            QCOMPARE(slotFor(count, r), count - 1);
    }
};

QTEST_APPLESS_MAIN(TestDraw)
#include "tst_draw.moc"
