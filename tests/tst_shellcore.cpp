// Centring arithmetic, the window-instance rule and definition checks: no widgets needed.

#include "shell/centering.h"
#include "shell/registry.h"
#include "ui/definitions.h"

#include <QtTest>

#include <memory>

namespace {

// A stand-in window that records what happens to it.
struct FakeWindow {
    static int created, destroyed;
    bool loadResult = true;
    bool visible = false;
    int loads = 0;
    FakeWindow() { ++created; }
    ~FakeWindow() { ++destroyed; }
    bool Form_Load() { ++loads; return loadResult; }
    bool isVisible() const { return visible; }
    void show() { visible = true; }
    void hide() { visible = false; }
};
int FakeWindow::created = 0;
int FakeWindow::destroyed = 0;

}  // namespace

class TestShellCore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { FakeWindow::created = FakeWindow::destroyed = 0; }

    void centring_data()
    {
        QTest::addColumn<float>("screen");
        QTest::addColumn<float>("window");
        QTest::addColumn<int>("offset");
        QTest::newRow("1024 px screen, 4800 twip window") << 15360.f << 4800.f << 5280;
        QTest::newRow("768 px screen, 3600 twip window") << 11520.f << 3600.f << 3960;
        QTest::newRow("301 wider than the screen") << 1000.f << 1301.f << -150;
        QTest::newRow("half rounds to even below") << 1000.5f << 700.f << 150;   // 300.5 -> 300
        QTest::newRow("half rounds to even above") << 1001.5f << 700.f << 151;   // 301.5 -> 302
        QTest::newRow("odd difference truncates") << 1000.f << 699.f << 150;     // 301 / 2
        QTest::newRow("negative half rounds to even") << 1000.f << 1300.5f << -150;  // -300.5 -> -300
        QTest::newRow("same size") << 6000.f << 6000.f << 0;
        QTest::newRow("huge window stays finite") << 100.f << 1e20f << std::numeric_limits<int>::min() / 2;
    }
    void centring()
    {
        QFETCH(float, screen);
        QFETCH(float, window);
        QFETCH(int, offset);
        QCOMPARE(shell::centredOffset(screen, window), offset);
    }

    void centringBothAxes()
    {
        const shell::Position p = shell::centredPosition(15360, 11520, 4800, 3600);
        QCOMPARE(p.left, 5280);
        QCOMPARE(p.top, 3960);
    }

    // Overhang by the same amount on both sides, within a twip.
    void largerThanScreenOverhangsEvenly()
    {
        for (int extra = 1; extra < 50; ++extra) {
            const int left = shell::centredOffset(15360, float(15360 + extra));
            const int right = 15360 - (left + 15360 + extra);
            QVERIFY2(std::abs(left - right) <= 1, qPrintable(QString::number(extra)));
        }
    }

    void absentUntilUsedThenLoadedOnce()
    {
        shell::WindowSlot<FakeWindow> slot([] { return std::make_unique<FakeWindow>(); });
        QCOMPARE(slot.state(), shell::WindowState::Absent);
        QVERIFY(!slot.loaded());
        QCOMPARE(FakeWindow::created, 0);

        FakeWindow *w = slot.get();  // reading a control loads it hidden
        QVERIFY(w);
        QCOMPARE(slot.state(), shell::WindowState::Hidden);
        QCOMPARE(w->loads, 1);

        QVERIFY(slot.show());  // showing a loaded window does not load it again
        QCOMPARE(slot.state(), shell::WindowState::Shown);
        QCOMPARE(slot.get(), w);
        QCOMPARE(w->loads, 1);
        QCOMPARE(FakeWindow::created, 1);
    }

    void unloadDestroysAndNextUseLoadsAfresh()
    {
        shell::WindowSlot<FakeWindow> slot([] { return std::make_unique<FakeWindow>(); });
        slot.show();
        slot.unload();
        QCOMPARE(slot.state(), shell::WindowState::Absent);
        QCOMPARE(FakeWindow::destroyed, 1);
        slot.unload();  // unloading an absent window is harmless
        QCOMPARE(FakeWindow::destroyed, 1);
        FakeWindow *w = slot.get();
        QCOMPARE(FakeWindow::created, 2);
        QCOMPARE(w->loads, 1);
        QVERIFY(!w->visible);
    }

    void failedLoadLeavesWindowAbsent()
    {
        bool fail = true;
        shell::WindowSlot<FakeWindow> slot([&fail] {
            auto w = std::make_unique<FakeWindow>();
            w->loadResult = !fail;
            return w;
        });
        QVERIFY(!slot.get());
        QVERIFY(!slot.show());
        QCOMPARE(slot.state(), shell::WindowState::Absent);
        QCOMPARE(FakeWindow::destroyed, 2);  // nothing half-loaded is kept
        fail = false;
        QVERIFY(slot.show());
        QCOMPARE(slot.state(), shell::WindowState::Shown);
    }

    void destroyedWithTheSlot()
    {
        {
            shell::WindowSlot<FakeWindow> slot([] { return std::make_unique<FakeWindow>(); });
            slot.get();
        }
        QCOMPARE(FakeWindow::destroyed, 1);
    }

    void everyDefinitionIsConsistent_data()
    {
        QTest::addColumn<int>("which");
        QTest::newRow("tbMainForm") << 0;
        QTest::newRow("SankaForm") << 1;
        QTest::newRow("KehinForm") << 2;
        QTest::newRow("TombalForm") << 3;
        QTest::newRow("AboutBox") << 4;
    }
    void everyDefinitionIsConsistent()
    {
        QFETCH(int, which);
        const ui::WindowDef defs[] = {ui::mainMenuDefinition(), ui::participantListDefinition(),
                                      ui::prizeListDefinition(), ui::drawSheetDefinition(), ui::aboutDefinition()};
        const ui::WindowDef &d = defs[which];
        QCOMPARE(d.name, QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(ui::validate(d), QString());
        QVERIFY(!d.icon.isEmpty());
    }

    void validateFindsFaults()
    {
        ui::WindowDef d;
        d.add(ui::ControlKind::Label, QStringLiteral("A"), -1, {}, 0, 0, 1, 1, 0);
        d.add(ui::ControlKind::Label, QStringLiteral("B"), -1, {}, 0, 0, 1, 1, 0);
        QVERIFY(ui::validate(d).contains(QStringLiteral("tab index 0")));
        d.controls.back().tabIndex = 2;
        QVERIFY(ui::validate(d).contains(QStringLiteral("0 to 1")));
        d.controls.back().tabIndex = 1;
        d.controls.back().in(QStringLiteral("A"));
        QVERIFY(ui::validate(d).contains(QStringLiteral("missing frame")));
    }
};

QTEST_APPLESS_MAIN(TestShellCore)
#include "tst_shellcore.moc"
