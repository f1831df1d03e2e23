// The draw on plain rows (preparation, fairness, every slot once) and its generator: no widgets needed.

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
    QString result(int row) const override { return results[size_t(row)]; }
    void setResult(int row, const QString &text) override { results[size_t(row)] = text; }
    void setName(int row, const QString &text) override { names[size_t(row)] = text; }
    void hide(int row, Part) override { ++hiddenParts[size_t(row)]; }
    void setWinner(int row, bool won) override { red[size_t(row)] = won; }
};

lists::EntryList randomList(QRandomGenerator &rng, const QString &prefix)
{
    lists::EntryList l;
    for (int i = 0; i < RowCount; ++i)
        l[size_t(i)] = {qint16(rng.bounded(3)), rng.bounded(5) ? prefix + QString::number(i) : QString()};
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
            QCOMPARE(int(d.entryCount()), n);
            for (int r = 0; r < RowCount; ++r) {
                QCOMPARE(s.results[size_t(r)], r < n ? pendingMark() : QString());
                QCOMPARE(s.hiddenParts[size_t(r)], r < n ? 0 : 3);  // name, result and frame
                QCOMPARE(s.names[size_t(r)], listed.value(r));
            }
            int fetched = 0;
            const DrawOutcome outcome = d.draw(s, source(prizes, &fetched));
            QCOMPARE(fetched, n ? 1 : 0);
            // Prize rows 0 to n - 1, each once: a ticked prize with a name wins in red, anything else loses.
            QStringList dealt, results;
            for (int k = 0; k < n; ++k) {
                const lists::EntryRow &p = prizes[size_t(k)];
                dealt << (p.tick == 1 && !p.text.isEmpty() ? p.text : noPrize());
                results << s.results[size_t(k)];
                QCOMPARE(s.red[size_t(k)], int(results.last() != noPrize()));
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
    // free).
    void drawIsUniform()
    {
        constexpr int n = 8, sheets = 16000;
        lists::EntryList people, prizes;
        for (int i = 0; i < n; ++i) {
            people[size_t(i)] = {1, u"人"_s};
            prizes[size_t(i)] = {1, QString::number(i)};
        }
        for (const auto &[row, cleared] : {std::pair{0, -1}, {7, 3}}) {
            std::array<int, n> counts{};
            int fetched = 0;
            for (int i = 0; i < sheets; ++i) {
                Sheet s;
                DrawSheet d;
                d.setup(s, people);
                if (cleared >= 0)
                    s.results[size_t(cleared)].clear();
                d.draw(s, source(prizes, &fetched));
                ++counts[size_t(s.results[size_t(row)].toInt())];
                QCOMPARE(d.freeSlots(), cleared >= 0 ? 1 : 0);
            }
            double chi2 = 0;
            for (int c : counts)
                chi2 += (c - sheets / double(n)) * (c - sheets / double(n)) / (sheets / double(n));
            QVERIFY2(
                chi2 < 29.9,
                qPrintable(u"row %1: chi-square %2 over 7 degrees of freedom (p < 0.0001)"_s.arg(row + 1).arg(chi2)));
        }
    }

    // Marks typed back after the draw: a row that had won takes the slot left free and, that prize
    // unticked, loses in the normal colour; a row that finds none stays as it is: nothing was drawn.
    void marksTypedAgainAfterTheDraw()
    {
        lists::EntryList people, prizes;
        people.fill({1, u"人"_s});
        for (int k = 0; k < RowCount; ++k)
            prizes[size_t(k)] = {1, QString::number(k)};
        Sheet s;
        DrawSheet d;
        int fetched = 0;
        d.setup(s, people);
        s.results[3].clear();
        d.draw(s, source(prizes, &fetched));
        s.results[5] = s.results[7] = pendingMark();
        prizes.fill({0, u"賞"_s});
        const Sheet before = s;
        QCOMPARE(d.draw(s, source(prizes, &fetched)).leftPending, 1);
        QVERIFY(s.results[5] == noPrize() && !s.red[5] && s.results[7] == pendingMark() && d.winners() == RowCount - 2);
        for (int r = 0; r < RowCount; ++r)
            QVERIFY(r == 5 || s.results[r] == before.results[r]);
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
