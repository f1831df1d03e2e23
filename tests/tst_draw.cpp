// The draw on plain rows (preparation, fairness, every slot once), the generator and the
// centring arithmetic: no widgets needed.

#include "draw/prizedraw.h"
#include "shell/centering.h"

#include <QRandomGenerator>
#include <QtTest>

#include <array>

using namespace draw;

namespace {

// The sheet's rows as data.
struct Sheet : SheetRows {
    std::array<QString, RowCount> names, results;
    std::array<int, RowCount> hiddenParts{}, red{};
    QString result(int row) const override { return results[size_t(row)]; }
    void setResult(int row, const QString &text) override { results[size_t(row)] = text; }
    void setName(int row, const QString &text) override { names[size_t(row)] = text; }
    void hide(int row, Part) override { ++hiddenParts[size_t(row)]; }
    void markWinner(int row) override { red[size_t(row)] = 1; }
};

// A list window's rows; records which rows the draw read, in order.
struct List : EntryRows {
    std::array<int, RowCount> ticks{};
    std::array<QString, RowCount> texts;
    mutable QList<int> read;
    int tick(int row) const override { return ticks[size_t(row)]; }
    QString text(int row) const override
    {
        read.append(row);
        return texts[size_t(row)];
    }
};

List randomList(QRandomGenerator &rng, const QString &prefix)
{
    List l;
    for (int i = 0; i < RowCount; ++i) {
        l.ticks[size_t(i)] = rng.bounded(3);
        l.texts[size_t(i)] = rng.bounded(5) ? prefix + QString::number(i) : QString();
    }
    return l;
}

PrizeListSource source(const List &prizes, int *fetched)
{
    return [&prizes, fetched]() -> const EntryRows * {
        ++*fetched;
        return &prizes;
    };
}

}  // namespace

class TestDraw : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { setSeedSource([n = quint64(1)]() mutable { return n++ * 0x9e3779b97f4a7c15ULL; }); }
    void cleanup() { setSeedSource({}); }

    // Random participant and prize lists through preparation and two presses of 抽選.
    void preparesAndDrawsEverySlotOnce()
    {
        QRandomGenerator rng(1);
        for (int round = 0; round < 300; ++round) {
            const List people = randomList(rng, QStringLiteral("人"));
            const List prizes = randomList(rng, QStringLiteral("賞"));
            Sheet s;
            DrawSheet d;
            d.setup(s, people);
            QStringList listed;
            for (int i = 0; i < RowCount; ++i)
                if (people.ticks[size_t(i)] == 1)
                    listed << people.texts[size_t(i)];
            const int n = int(listed.size());
            QCOMPARE(int(d.entryCount()), n);
            for (int r = 0; r < RowCount; ++r) {
                QCOMPARE(s.results[size_t(r)], r < n ? pendingMark() : QString());
                QCOMPARE(s.hiddenParts[size_t(r)], r < n ? 0 : 3);  // name, result and frame
                if (r < n)
                    QCOMPARE(s.names[size_t(r)], listed[r]);
            }
            int fetched = 0;
            const DrawOutcome outcome = d.draw(s, source(prizes, &fetched));
            QCOMPARE(fetched, n ? 1 : 0);
            // Slots 0 to n - 1, each once: a ticked prize with a name wins in red, anything else loses.
            QList<int> slots = prizes.read;
            std::sort(slots.begin(), slots.end());
            for (int k = 0; k < n; ++k)
                QCOMPARE(slots.value(k, -1), k);
            QCOMPARE(int(slots.size()), n);
            int winners = 0;
            for (int r = 0; r < n; ++r) {
                const int k = prizes.read[r];
                const bool wins = prizes.ticks[size_t(k)] == 1 && !prizes.texts[size_t(k)].isEmpty();
                QCOMPARE(s.results[size_t(r)], wins ? prizes.texts[size_t(k)] : noPrize());
                QCOMPARE(s.red[size_t(r)], int(wins));
                winners += wins;
            }
            QCOMPARE(outcome.winners, winners);
            // A second press changes nothing and does not read the prizes.
            const Sheet after = s;
            QCOMPARE(d.draw(s, source(prizes, &fetched)).drawn, 0);
            QCOMPARE(fetched, n ? 1 : 0);
            QCOMPARE(s.results, after.results);
        }
    }

    // Which prize row the first participant gets, and which one a later pending row gets
    // when another row's mark was cleared before the press (its slot stays free).
    void drawIsUniform_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("cleared");
        QTest::newRow("first of 8") << 0 << -1;
        QTest::newRow("last of 8, row 3 cleared") << 7 << 3;
    }
    void drawIsUniform()
    {
        QFETCH(int, row);
        QFETCH(int, cleared);
        constexpr int n = 8, sheets = 16000;
        List people, prizes;
        for (int i = 0; i < n; ++i) {
            people.ticks[size_t(i)] = prizes.ticks[size_t(i)] = 1;
            prizes.texts[size_t(i)] = QString::number(i);
        }
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
        QVERIFY2(chi2 < 29.9, qPrintable(QStringLiteral("chi-square %1 over 7 degrees of freedom (p < 0.0001)").arg(chi2)));
    }

    void everySheetTakesAFreshSeed()
    {
        setSeedSource({});
        Sheet s;
        DrawSheet a, b;
        a.setup(s, List());
        b.setup(s, List());
        QVERIFY(a.random().lastSeed() != b.random().lastSeed());
    }

    // A mark typed back after every slot went out stays as it is: nothing was drawn for it,
    // and no slot goes out twice.
    void markTypedAgainAfterTheDraw()
    {
        List people, prizes;
        people.ticks.fill(1);
        prizes.ticks.fill(1);
        prizes.texts.fill(QStringLiteral("賞"));
        Sheet s;
        DrawSheet d;
        int fetched = 0;
        d.setup(s, people);
        d.draw(s, source(prizes, &fetched));
        s.results[5] = pendingMark();
        const DrawOutcome again = d.draw(s, source(prizes, &fetched));
        QCOMPARE(again.leftPending, 1);
        QCOMPARE(s.results[5], pendingMark());
        QCOMPARE(prizes.read.size(), RowCount);
    }

    // floor(count * r + 1) - 1 for the largest r below 1 is count - 1: doubles would round it up.
    void slotForLargestNumberBelowOne()
    {
        const double r = unitFromBits(~quint64(0));
        QVERIFY(r < 1.0);
        for (int count = 1; count <= 2048; ++count)
            QCOMPARE(slotFor(count, r), count - 1);
    }

    void centring_data()
    {
        QTest::addColumn<float>("screen");
        QTest::addColumn<float>("window");
        QTest::addColumn<int>("offset");
        QTest::newRow("1024 px screen, 4800 twips") << 15360.f << 4800.f << 5280;
        QTest::newRow("301 wider than the screen") << 1000.f << 1301.f << -150;
        QTest::newRow("300.5 rounds to 300") << 1000.5f << 700.f << 150;
        QTest::newRow("301.5 rounds to 302") << 1001.5f << 700.f << 151;
    }
    void centring()
    {
        QFETCH(float, screen);
        QFETCH(float, window);
        QFETCH(int, offset);
        const shell::Position p = shell::centredPosition(screen, 11520.f, window, 3600.f);
        QCOMPARE(p.left, offset);
        QCOMPARE(p.top, 3960);
    }
};

QTEST_APPLESS_MAIN(TestDraw)
#include "tst_draw.moc"
