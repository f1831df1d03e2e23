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
        log << QStringLiteral("result %1").arg(row);
    }
    void setName(int row, const QString &text) override { names[std::size_t(row)] = text; }
    void hide(int row, Part part) override
    {
        const char *what = part == Part::Name ? "Name" : part == Part::Result ? "Result" : "Frame";
        (part == Part::Name ? nameShown : part == Part::Result ? resultShown : frameShown)[std::size_t(row)] = false;
        log << QStringLiteral("hide %1 %2").arg(QLatin1String(what)).arg(row);
    }
    void markWinner(int row) override { red[std::size_t(row)] = true; }
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

List participants(int n, const QString &prefix = QStringLiteral("参加者"))
{
    List l;
    for (int i = 0; i < n; ++i)
        l.set(i, 1, prefix + QString::number(i + 1));
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

// Rows below `used` are shown, pending and free; the rest hidden, emptied and taken.
void checkPrepared(const Sheet &s, const DrawSheet &d, int used)
{
    QCOMPARE(d.entryCount(), qint16(used));
    for (std::size_t i = 0; i < std::size_t(RowCount); ++i) {
        const bool u = int(i) < used;
        QCOMPARE(s.nameShown[i] && s.resultShown[i] && s.frameShown[i], u);
        QCOMPARE(s.nameShown[i] || s.resultShown[i] || s.frameShown[i], u);
        QCOMPARE(s.results[i], u ? pendingMark() : QString());
        QCOMPARE(d.slotTaken(int(i)), !u);
    }
}

double chiSquare(const std::vector<int> &counts, double expected)
{
    double chi2 = 0;
    for (int c : counts)
        chi2 += (c - expected) * (c - expected) / expected;
    return chi2;
}

}  // namespace

class TestDraw : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { draw::setSeedSource(SeedSequence{42}); }
    void cleanup() { draw::setSeedSource({}); }

    // ----- preparation -----

    void setupWithNobodyOrEveryone()
    {
        Sheet none;
        DrawSheet d;
        d.setup(none, List{});
        checkPrepared(none, d, 0);
        Prizes p;
        p.list = participants(40);
        const Sheet before = none;
        QCOMPARE(d.draw(none, p.source()).drawn, 0);
        QCOMPARE(p.fetched, 0);
        QCOMPARE(none.results, before.results);

        Sheet all;
        d.setup(all, participants(40));
        checkPrepared(all, d, 40);
        for (int i = 0; i < RowCount; ++i)
            QCOMPARE(all.names[std::size_t(i)], QStringLiteral("参加者%1").arg(i + 1));
    }

    // Ticked rows (a nameless one too) packed in list order; greyed and unticked left out.
    void setupPacksTickedRowsInListOrder()
    {
        List l;
        l.set(3, 1, QStringLiteral("三"));
        l.set(5, 2, QStringLiteral("灰色"));
        l.set(7, 1, QStringLiteral("七"));
        l.set(9, 0, QStringLiteral("未選択"));
        l.set(20, 1, QStringLiteral("二十"));
        l.set(25, 1, QString());
        Sheet s;
        s.names[10] = QStringLiteral("前の名前");  // hidden rows' names are left alone
        DrawSheet d;
        d.setup(s, l);
        checkPrepared(s, d, 4);
        QCOMPARE(s.names[0], QStringLiteral("三"));
        QCOMPARE(s.names[1], QStringLiteral("七"));
        QCOMPARE(s.names[2], QStringLiteral("二十"));
        QCOMPARE(s.names[3], QString());
        QCOMPARE(s.names[10], QStringLiteral("前の名前"));
        // Each unused row: result emptied, then name box, result box and frame hidden.
        const int first = int(s.log.indexOf(QStringLiteral("result 4")));
        QVERIFY(first > 0);
        QCOMPARE(s.log.mid(first, 4), (QStringList{QStringLiteral("result 4"), QStringLiteral("hide Name 4"),
                                                   QStringLiteral("hide Result 4"), QStringLiteral("hide Frame 4")}));
        QCOMPARE(s.log.last(), QStringLiteral("hide Frame 39"));

        Prizes p;
        p.list = participants(4, QStringLiteral("賞"));
        QCOMPARE(d.draw(s, p.source()).winners, 4);
        QVERIFY(s.red[3]);  // the nameless row won too
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

        // The real source: two sheets prepared within the same second still differ.
        draw::setSeedSource({});
        DrawSheet a, b;
        Sheet sa, sb;
        a.setup(sa, participants(2));
        b.setup(sb, participants(2));
        QVERIFY(a.random().lastSeed() != b.random().lastSeed());
        QVERIFY(draw::clockSeed() != draw::clockSeed());
    }

    // ----- drawing -----

    // Only ticked, named prizes within the first EntryCount slots win; the winners vary.
    void whichPrizesWin()
    {
        std::set<int> winningRows;
        for (std::uint64_t seed = 1; seed <= 30; ++seed) {
            draw::setSeedSource(SeedSequence{seed});
            Sheet s;
            DrawSheet d;
            d.setup(s, participants(5));
            Prizes p;
            p.list.set(0, 1, QStringLiteral("テレビ"));
            p.list.set(1, 0, QStringLiteral("未選択"));
            p.list.set(2, 2, QStringLiteral("灰色"));
            p.list.set(3, 1, QStringLiteral(" "));  // a space is a name
            p.list.set(4, 1, QString());
            for (int k = 5; k <= 9; ++k)
                p.list.set(k, 1, QStringLiteral("圏外"));
            const draw::DrawOutcome o = d.draw(s, p.source());
            QCOMPARE(p.fetched, 1);
            QCOMPARE(o.drawn, 5);
            QCOMPARE(o.winners, 2);
            QCOMPARE(s.count(QStringLiteral("テレビ")), 1);
            QCOMPARE(s.count(QStringLiteral(" ")), 1);
            QCOMPARE(s.count(noPrize()), 3);
            const Sheet drawn = s;  // a second press changes nothing, not even fetching
            QCOMPARE(d.draw(s, p.source()).drawn, 0);
            QCOMPARE(p.fetched, 1);
            QCOMPARE(s.results, drawn.results);
            QCOMPARE(s.red, drawn.red);
            for (int i = 0; i < 5; ++i) {
                const bool won = s.results[std::size_t(i)] != noPrize();
                QCOMPARE(s.red[std::size_t(i)], won);
                if (won)
                    winningRows.insert(i);
                QVERIFY(d.slotTaken(i));
            }
        }
        QCOMPARE(int(winningRows.size()), 5);
    }

    // A cleared row keeps its slot; typed back in it draws again, beyond the free slots rows
    // stay pending, and with no slot free the prize list is not even fetched.
    void clearedAndRetypedRows()
    {
        Sheet s;
        DrawSheet d;
        d.setup(s, participants(4));
        s.results[3].clear();
        Prizes p;
        p.list = participants(4, QStringLiteral("P"));
        QCOMPARE(d.draw(s, p.source()).drawn, 3);
        QCOMPARE(s.results[3], QString());
        QCOMPARE(d.freeSlots(), 1);

        s.results[0] = pendingMark();
        s.results[3] = pendingMark();
        draw::DrawOutcome o = d.draw(s, p.source());
        QCOMPARE(o.drawn, 1);  // row 0 takes the last slot
        QCOMPARE(o.leftPending, 1);
        QCOMPARE(s.results[3], pendingMark());
        QCOMPARE(d.freeSlots(), 0);
        const std::set<QString> given(s.results.begin(), s.results.begin() + 3);
        QCOMPARE(int(given.size()), 3);
        QVERIFY(!given.count(pendingMark()));
        QCOMPARE(p.fetched, 2);

        const Sheet before = s;
        o = d.draw(s, p.source());
        QCOMPARE(o.drawn, 0);
        QCOMPARE(o.leftPending, 1);
        QCOMPARE(p.fetched, 2);
        QCOMPARE(s.results, before.results);
        QCOMPARE(s.red, before.red);
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
        d.random().setBitSource([&] { return std::uint64_t(std::ldexp(rs[std::min(next++, rs.size() - 1)], 53)) << 11; });
        Prizes p;
        p.list.set(0, 1, pendingMark());
        p.list.set(1, 1, QStringLiteral("B"));
        p.list.set(2, 1, QStringLiteral("C"));
        d.draw(s, p.source());
        QCOMPARE(s.results[0], pendingMark());
        QVERIFY(s.red[0]);
        QCOMPARE(s.results[1], QStringLiteral("B"));

        // The next press draws row 0 again from the one free slot (r = 0.5 is rejected).
        QCOMPARE(d.draw(s, p.source()).drawn, 1);
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
        QVERIFY(d.draw(s, p.source()).prizesUnavailable);
        QCOMPARE(p.fetched, 1);
        QCOMPARE(s.results, before.results);
        QCOMPARE(d.freeSlots(), 5);

        p.available = true;  // the same press, once the list can be had, draws
        p.list = participants(5);
        QCOMPARE(d.draw(s, p.source()).drawn, 5);
    }

    // ----- the generator -----

    void unitNumbersStayBelowOne()
    {
        QCOMPARE(draw::unitFromBits(0), 0.0);
        QCOMPARE(draw::unitFromBits(~std::uint64_t(0)), 1.0 - 0x1.0p-53);
        draw::Random r;
        r.setBitSource([] { return ~std::uint64_t(0); });
        const double top = r.next();
        QVERIFY(top < 1.0);
        for (int n = 1; n <= 40; ++n) {
            QCOMPARE(draw::slotFor(n, top), n - 1);
            QCOMPARE(draw::slotFor(n, 0.0), 0);
        }
        // Boundaries where double arithmetic would round the wrong way.
        QCOMPARE(draw::slotFor(32, 1.0 - 0x1.0p-53), 31);
        QCOMPARE(draw::slotFor(40, 0.5), 20);
        QCOMPARE(draw::slotFor(40, std::nextafter(0.5, 0.0)), 19);
        QCOMPARE(draw::slotFor(3, 1.0 / 3.0), 0);  // 1/3 in doubles lies just below a third
        QCOMPARE(draw::slotFor(4, 0.25), 1);
        QCOMPARE(draw::slotFor(4, std::nextafter(0.25, 0.0)), 0);

        // A drawing fed all-ones bits still hands out valid slots.
        Sheet s;
        DrawSheet d;
        d.setup(s, participants(6));
        int calls = 0;
        d.random().setBitSource([&calls] { return ++calls == 1 ? ~std::uint64_t(0) : std::uint64_t(calls) << 56; });
        Prizes p;
        p.list = participants(6, QStringLiteral("P"));
        QCOMPARE(d.draw(s, p.source()).drawn, 6);
        QCOMPARE(s.results[0], QStringLiteral("P6"));
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

    // Every slot goes out once, and whole arrangements of 4 prizes over 4 rows and the last row
    // of a full sheet (drawn through the most rejections) come up uniformly: chi-square under
    // the 0.1 % critical value. The seeds are fixed, so the figure is the same on every run.
    void drawsAreUniform_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("loads");
        QTest::addColumn<int>("categories");
        QTest::addColumn<double>("limit");
        QTest::newRow("arrangements of 4") << 4 << 24000 << 24 << 49.73;
        QTest::newRow("last row of 40") << 40 << 8000 << 40 << 72.05;
    }
    void drawsAreUniform()
    {
        QFETCH(int, rows);
        QFETCH(int, loads);
        QFETCH(int, categories);
        QFETCH(double, limit);
        draw::setSeedSource(SeedSequence{rows == 4 ? 2024u : 7u});
        Prizes p;
        p.list = participants(rows, QStringLiteral("P"));
        const List people = participants(rows);
        std::map<QString, int> seen;
        for (int n = 0; n < loads; ++n) {
            Sheet s;
            DrawSheet d;
            d.setup(s, people);
            const draw::DrawOutcome o = d.draw(s, p.source());
            QCOMPARE(o.winners, rows);
            QCOMPARE(int(std::set<QString>(s.results.begin(), s.results.begin() + rows).size()), rows);
            QCOMPARE(d.freeSlots(), 0);
            ++seen[rows == 4 ? s.results[0] + s.results[1] + s.results[2] + s.results[3] : s.results[39]];
        }
        QCOMPARE(int(seen.size()), categories);
        std::vector<int> counts;
        for (const auto &[key, count] : seen) {
            QVERIFY(!key.contains(pendingMark()) && !key.contains(noPrize()));
            counts.push_back(count);
        }
        const double chi2 = chiSquare(counts, double(loads) / categories);
        qInfo("%s: chi-square %.2f with %d degrees of freedom (limit %.2f)", QTest::currentDataTag(), chi2,
              categories - 1, limit);
        QVERIFY2(chi2 < limit, qPrintable(QStringLiteral("chi-square %1").arg(chi2)));
    }
};

QTEST_APPLESS_MAIN(TestDraw)
#include "tst_draw.moc"
