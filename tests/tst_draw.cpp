// The draw on plain rows, without widgets, and its generator.

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

RowSource source(const lists::EntryList &prizes)
{
    return [prizes] { return std::optional(prizes); };
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
            const DrawOutcome outcome = d.draw(s, source(prizes));
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
            // A second press changes nothing.
            const Sheet after = s;
            QCOMPARE(d.draw(s, source(prizes)).drawn, 0);
            QCOMPARE(s.results, after.results);
        }
    }

    // The prize row the first of 8 gets is uniform. Row 3's mark cleared keeps a slot free; marks typed back then:
    // row 5, which had won, takes that empty slot and loses; row 7 finds none and stays pending.
    void drawIsUniform()
    {
        constexpr int n = 8, sheets = 16000;
        lists::EntryList people, prizes;
        for (int i = 0; i < n; ++i) {
            people[i] = {1, u"人"_s};
            prizes[i] = {1, QString::number(i)};
        }
        std::array<int, n> counts{};
        for (int i = 0; i < sheets; ++i) {
            Sheet s;
            DrawSheet d;
            d.setup(s, people);
            d.draw(s, source(prizes));
            ++counts[size_t(s.results[0].toInt())];
        }
        double chi2 = 0, e = sheets / double(n);
        for (int c : counts)
            chi2 += (c - e) * (c - e) / e;
        QVERIFY2(chi2 < 29.9, qPrintable(u"chi-square %1 over 7 degrees of freedom (p < 0.0001)"_s.arg(chi2)));

        Sheet s;
        DrawSheet d;
        d.setup(s, people);
        s.results[3].clear();
        d.draw(s, source(prizes));
        s.results[5] = s.results[7] = pendingMark();
        const Sheet before = s;
        QCOMPARE(d.draw(s, source({})).leftPending, 1);
        QVERIFY(s.results[5] == noPrize() && !s.red[5] && s.results[7] == pendingMark() && d.winners() == n - 2);
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
