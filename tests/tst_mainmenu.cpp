// The main menu as built from its definition, and the window rules every window shares.

#include "shell/mainform.h"
#include "shell/shell.h"
#include "ui/fonts.h"

#include <QFontInfo>
#include <QRawFont>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

using shell::WindowState;

class TestMainMenu : public QObject {
    Q_OBJECT
    std::unique_ptr<shell::Shell> m_shell;
    shell::tbMainForm *menu() { return m_shell->mainMenu().loaded(); }

private Q_SLOTS:
    void initTestCase() { ui::installFontSubstitutions(); }
    void init()
    {
        m_shell = std::make_unique<shell::Shell>();
        m_shell->start();
        QVERIFY(menu());
        QVERIFY(QTest::qWaitForWindowExposed(menu()));
    }
    void cleanup() { m_shell.reset(); }

    void startsShownAndAlone()
    {
        QCOMPARE(m_shell->mainMenu().state(), WindowState::Shown);
        QCOMPARE(m_shell->participantList().state(), WindowState::Absent);
        QCOMPARE(m_shell->prizeList().state(), WindowState::Absent);
        QCOMPARE(m_shell->drawSheet().state(), WindowState::Absent);
        QCOMPARE(m_shell->about().state(), WindowState::Absent);
        QCOMPARE(menu()->windowTitle(), QStringLiteral("Lotarin"));
    }

    void geometryInPixels()
    {
        // 15 twips to the pixel at 96 dpi: 6324 x 4464 twips.
        QCOMPARE(menu()->twipsPerPixel(), 15.0);
        QCOMPARE(menu()->size(), QSize(422, 298));
        QVERIFY(!(menu()->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(menu()->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(menu()->minimumSize(), menu()->maximumSize());

        const struct {
            const char *name, *caption;
            QRect rect;
        } buttons[] = {{"Command1", "参加者設定", {16, 8, 177, 33}},
                       {"Command2", "景品設定", {16, 56, 177, 33}},
                       {"Command3", "開始", {16, 104, 177, 33}},
                       {"Command4", "終了", {16, 152, 177, 33}},
                       {"Command5", "Lotarinについて", {16, 208, 177, 33}}};
        for (const auto &b : buttons) {
            QPushButton *w = menu()->button(QString::fromLatin1(b.name));
            QVERIFY2(w, b.name);
            QCOMPARE(w->text(), QString::fromUtf8(b.caption));
            QCOMPARE(w->geometry(), b.rect);
        }
        QLabel *label = menu()->label(QStringLiteral("Label1"));
        QVERIFY(label);
        QCOMPARE(label->geometry(), QRect(208, 24, 201, 49));
    }

    void labelWrapsWithinItsBox()
    {
        QLabel *label = menu()->label(QStringLiteral("Label1"));
        QCOMPARE(label->text(), QString::fromUtf8("参加者と景品を設定して、開始ボタンを押して下さい"));
        QVERIFY(label->wordWrap());
        const QFontMetrics fm(label->font());
        const QRect needed = fm.boundingRect(QRect(0, 0, label->width(), 1000), Qt::TextWordWrap, label->text());
        QVERIFY2(needed.height() > fm.height(), "the caption should wrap onto a second line");
        QVERIFY2(needed.height() <= label->height(), "the caption should fit inside the label");
    }

    void coloursOfStartAndEnd()
    {
        const QColor start = menu()->button(QStringLiteral("Command3"))->palette().color(QPalette::Button);
        const QColor end = menu()->button(QStringLiteral("Command4"))->palette().color(QPalette::Button);
        QCOMPARE(start, QColor(192, 0, 0));
        QCOMPARE(end, QColor(0, 128, 128));
        // Light captions on both dark backgrounds.
        QCOMPARE(menu()->button(QStringLiteral("Command3"))->palette().color(QPalette::ButtonText), QColor(Qt::white));
        QCOMPARE(menu()->button(QStringLiteral("Command1"))->palette().color(QPalette::Button),
                 QApplication::palette().color(QPalette::Button));

        // What reaches the screen is the colour too, not just the palette.
        QPushButton *b = menu()->button(QStringLiteral("Command3"));
        const QImage img = b->grab().toImage();
        const QColor mid = img.pixelColor(6, img.height() / 2);
        QVERIFY2(mid.red() > 120 && mid.green() < 100 && mid.blue() < 100, qPrintable(mid.name()));
    }

    void centredOnThePrimaryScreen()
    {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect frame = menu()->frameGeometry();
        QCOMPARE(frame.left() - screen.left(), (screen.width() - frame.width()) / 2);
        QCOMPARE(frame.top() - screen.top(), (screen.height() - frame.height()) / 2);
    }

    void tabVisitsTheButtonsInOrderAndWraps()
    {
        QApplication::setActiveWindow(menu());
        QVERIFY(QTest::qWaitForWindowActive(menu()));
        QCOMPARE(QApplication::focusWidget(), menu()->button(QStringLiteral("Command1")));
        const char *order[] = {"Command2", "Command3", "Command4", "Command5", "Command1"};
        for (const char *name : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(name));
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command5"));
    }

    void enterClicksTheFocusedButtonAndEscDoesNothing()
    {
        QApplication::setActiveWindow(menu());
        QVERIFY(QTest::qWaitForWindowActive(menu()));
        QList<QSignalSpy *> spies;
        for (int i = 1; i <= 5; ++i)
            spies.append(new QSignalSpy(menu()->button(QStringLiteral("Command%1").arg(i)), &QPushButton::clicked));

        QPushButton *about = menu()->button(QStringLiteral("Command5"));
        about->setFocus();
        QTest::keyClick(about, Qt::Key_Escape);
        for (QSignalSpy *s : spies)
            QCOMPARE(s->count(), 0);
        QTest::keyClick(about, Qt::Key_Return);
        QCOMPARE(spies[4]->count(), 1);
        QCOMPARE(spies[0]->count() + spies[1]->count() + spies[2]->count() + spies[3]->count(), 0);
        qDeleteAll(spies);
    }

    void japaneseFacesResolve_data()
    {
        QTest::addColumn<QString>("face");
        QTest::newRow("System") << QStringLiteral("System");
        QTest::newRow("MS Mincho") << QString::fromUtf8("ＭＳ 明朝");
        QTest::newRow("MS PGothic") << QString::fromUtf8("ＭＳ Ｐゴシック");
    }
    void japaneseFacesResolve()
    {
        QFETCH(QString, face);
        const QFont f = ui::makeFont({face, 13.2, 400});
        QCOMPARE(f.pointSizeF(), 13.2);
        const QRawFont raw = QRawFont::fromFont(f);
        QVERIFY2(raw.supportsCharacter(QChar(0x53C2)), qPrintable(QFontInfo(f).family()));  // 参
        QVERIFY2(raw.supportsCharacter(QChar(0xFF1F)), qPrintable(QFontInfo(f).family()));  // ？
    }

    void closingTheMenuUnloadsOnlyIt()
    {
        menu()->close();
        QCOMPARE(m_shell->mainMenu().state(), WindowState::Absent);
    }

    void showingAgainKeepsOneInstanceWhereItIs()
    {
        shell::tbMainForm *first = menu();
        first->move(first->pos() + QPoint(20, 10));
        const QPoint moved = first->pos();
        QVERIFY(m_shell->mainMenu().show());
        QCOMPARE(menu(), first);
        QCOMPARE(first->pos(), moved);
    }
};

QTEST_MAIN(TestMainMenu)
#include "tst_mainmenu.moc"
