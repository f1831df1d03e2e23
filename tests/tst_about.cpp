// The About window: its layout as built, the keys, reopening, and the icon animation.

#include "shell/aboutbox.h"
#include "shell/shell.h"
#include "ui/definitions.h"
#include "ui/fonts.h"
#include "ui/images.h"

#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QtTest>

#include <vector>

using shell::AboutBox;
using shell::WindowState;

namespace {

QImage imageOf(const QPixmap &p) { return p.toImage().convertToFormat(QImage::Format_ARGB32); }
QImage resourceImage(const char *path) { return imageOf(QPixmap(QString::fromLatin1(path))); }

const std::vector<int> kFrameOrder = {0, 1, 2, 3, 4, 3, 2, 1, 0};

}  // namespace

class TestAbout : public QObject {
    Q_OBJECT
    std::unique_ptr<shell::Shell> m_shell;

    AboutBox *openAbout()
    {
        m_shell->openAbout();
        AboutBox *about = m_shell->about().loaded();
        if (about && !QTest::qWaitForWindowExposed(about))
            return nullptr;
        return about;
    }
    ui::PictureBox *icon(AboutBox *about) { return about->picture(QStringLiteral("Pic_ApIcon")); }

    // What the window's backing store holds where the icon is: what the screen shows.
    QImage iconOnScreen(AboutBox *about)
    {
        const QPoint at = icon(about)->mapTo(about, QPoint(0, 0));
        return imageOf(about->screen()->grabWindow(about->winId(), at.x(), at.y(), 32, 32));
    }

    // A frame as the window shows it: its transparent parts show the window's background.
    static QImage onBackground(const QWidget *window, const char *path)
    {
        QImage image(32, 32, QImage::Format_ARGB32);
        image.fill(window->palette().color(QPalette::Window));
        QPainter p(&image);
        p.drawPixmap(0, 0, QPixmap(QString::fromLatin1(path)));
        return image;
    }

    // Deletes the windows that the shell unloaded.
    static void settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private Q_SLOTS:
    void initTestCase()
    {
        ui::installFontSubstitutions();
        // The image comparisons below would pass on two null images: make sure they load.
        for (const char *path : ui::images::frames)
            QVERIFY2(!QPixmap(QString::fromLatin1(path)).isNull(), path);
        QVERIFY(!QPixmap(QString::fromLatin1(ui::images::bitmapA)).isNull());
        QVERIFY(!QPixmap(QString::fromLatin1(ui::images::bitmapB)).isNull());
    }
    void init()
    {
        m_shell = std::make_unique<shell::Shell>();
        m_shell->start();
    }
    void cleanup()
    {
        m_shell.reset();
        settle();
    }

    void definitionIsValid()
    {
        const ui::WindowDef def = ui::aboutDefinition();
        QCOMPARE(ui::validate(def), QString());
        QCOMPARE(def.border, ui::BorderStyle::FixedSingle);
        const struct {
            const char *name;
            int index, tab;
        } tabs[] = {{"Lbl_DoziVovor", -1, 0}, {"Lbl_Version", -1, 1}, {"Lbl_Microsoft", -1, 2}, {"Pic_ApIcon", -1, 3},
                    {"Cmd_OK", -1, 4},        {"Picture1", 0, 5},      {"Picture1", 1, 6},       {"Label2", -1, 7},
                    {"Picture2", 4, 8},       {"Picture2", 3, 9},      {"Picture2", 2, 10},      {"Picture2", 1, 11},
                    {"Picture2", 0, 12},      {"Label1", -1, 13}};
        for (const auto &t : tabs) {
            const ui::ControlDef *c = def.find(QString::fromLatin1(t.name), t.index);
            QVERIFY2(c, t.name);
            QCOMPARE(c->tabIndex, t.tab);
        }
        QCOMPARE(int(def.controls.size()), 15);  // the fourteen above and the line
    }

    void layoutFontsAndImages()
    {
        AboutBox *about = openAbout();
        QVERIFY(about);
        QCOMPARE(about->windowTitle(), QString::fromUtf8("Lotarinについて"));
        QCOMPARE(about->twipsPerPixel(), 15.0);
        QCOMPARE(about->size(), QSize(407, 207));  // 6108 x 3108 twips
        QCOMPARE(about->minimumSize(), about->maximumSize());
        QCOMPARE(about->font().family(), QStringLiteral("System"));
        QCOMPARE(about->font().pointSizeF(), 13.2);
        QVERIFY(about->font().bold());

        // Only the product name is bold; each label's one line must fit or the credits are clipped.
        const struct {
            const char *name, *text;
            QRect rect;
        } labels[] = {
            {"Lbl_DoziVovor", "Lotarin", {64, 16, 121, 21}},
            {"Lbl_Version", "Version 4.3", {200, 16, 193, 20}},
            {"Lbl_Microsoft", "(C) Lotarin 開発チーム", {56, 48, 243, 20}},
            {"Label2", "E-Mail:lotarin@example.org", {56, 72, 249, 20}},
            {"Label1", "HomePage:lotarin.example.org", {56, 96, 289, 20}},
        };
        for (const auto &l : labels) {
            QLabel *w = about->label(QString::fromLatin1(l.name));
            QVERIFY2(w, l.name);
            QCOMPARE(w->text(), QString::fromUtf8(l.text));
            QCOMPARE(w->geometry(), l.rect);
            QCOMPARE(w->textFormat(), Qt::PlainText);  // addresses are text, not links
            const QFontMetrics fm(w->font());
            QVERIFY2(fm.horizontalAdvance(w->text()) <= w->width() && fm.height() <= w->height(), l.name);
        }
        QPushButton *ok = about->button(QStringLiteral("Cmd_OK"));
        QVERIFY(ok);
        for (QWidget *w : std::initializer_list<QWidget *>{about->label(QStringLiteral("Lbl_DoziVovor")), ok,
                                                          about->label(QStringLiteral("Lbl_Version")),
                                                          about->label(QStringLiteral("Lbl_Microsoft")),
                                                          about->label(QStringLiteral("Label2")),
                                                          about->label(QStringLiteral("Label1"))}) {
            const QFont f = w->font();
            QCOMPARE(f.family(), QStringLiteral("System"));
            QCOMPARE(f.pointSizeF(), 13.2);
            QCOMPARE(f.bold(), w == about->label(QStringLiteral("Lbl_DoziVovor")));
            QVERIFY(!f.italic() && !f.underline() && !f.strikeOut());
        }
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QCOMPARE(ok->geometry(), QRect(320, 156, 69, 32));

        // 384 twips are 25.6 pixels: the icon's box grows to the whole 32-pixel icon.
        QCOMPARE(icon(about)->geometry(), QRect(16, 4, 32, 32));
        QCOMPARE(icon(about)->font().family(), QString::fromUtf8("ＭＳ Ｐゴシック"));
        QCOMPARE(icon(about)->font().pointSizeF(), 9.0);
        QVERIFY(!icon(about)->font().bold());
        QCOMPARE(imageOf(icon(about)->pixmap()), resourceImage(ui::images::icon));
        QCOMPARE(icon(about)->pixmap().size(), QSize(32, 32));
        QVERIFY(icon(about)->isVisible());
        for (int k = 0; k < 5; ++k) {
            ui::PictureBox *frame = about->picture(QStringLiteral("Picture2"), k);
            QVERIFY(frame);
            QCOMPARE(frame->geometry(), QRect(8 + 48 * k, 168, 37, 37));
            QVERIFY(!frame->isVisible());
            QCOMPARE(imageOf(frame->pixmap()), resourceImage(ui::images::frames[k]));
        }
        QCOMPARE(about->picture(QStringLiteral("Picture1"), 0)->geometry(), QRect(216, 140, 53, 53));
        QCOMPARE(about->picture(QStringLiteral("Picture1"), 1)->geometry(), QRect(148, 140, 53, 53));
        QCOMPARE(imageOf(about->picture(QStringLiteral("Picture1"), 0)->pixmap()), resourceImage(ui::images::bitmapA));
        QCOMPARE(imageOf(about->picture(QStringLiteral("Picture1"), 1)->pixmap()), resourceImage(ui::images::bitmapB));
        QWidget *line = about->control(QStringLiteral("lin_HorizontalLine1"));
        QVERIFY(line);
        QCOMPARE(line->geometry().topLeft(), QPoint(0, 128));
        QVERIFY(line->geometry().right() >= about->width() - 1);
    }

    // Esc does nothing (no Cancel button); Enter clicks OK, also with the focus elsewhere.
    void escapeDoesNothingEnterCloses_data()
    {
        QTest::addColumn<bool>("fromIcon");
        QTest::newRow("focus on OK") << false;
        QTest::newRow("keypad Enter on the icon") << true;
    }
    void escapeDoesNothingEnterCloses()
    {
        QFETCH(bool, fromIcon);
        AboutBox *about = openAbout();
        QVERIFY(about);
        QVERIFY(QTest::qWaitForWindowActive(about));
        QCOMPARE(QApplication::focusWidget(), about->button(QStringLiteral("Cmd_OK")));  // first by tab index
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        settle();
        QCOMPARE(m_shell->about().state(), WindowState::Shown);

        QPointer<AboutBox> watch(about);
        if (fromIcon)
            QTest::keyClick(icon(about), Qt::Key_Enter, Qt::KeypadModifier);
        else
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(m_shell->about().state(), WindowState::Absent);
        settle();
        QVERIFY(watch.isNull());
        QCOMPARE(m_shell->mainMenu().state(), WindowState::Shown);
    }

    // Opening again keeps the one window where it was; after OK it comes back afresh, centred.
    void reopening()
    {
        AboutBox *about = openAbout();
        QVERIFY(about);
        about->move(about->pos() + QPoint(37, -21));
        const QPoint moved = about->pos();
        icon(about)->setPixmap(about->picture(QStringLiteral("Picture2"), 4)->pixmap());
        m_shell->openAbout();
        QCOMPARE(m_shell->about().loaded(), about);
        QCOMPARE(about->pos(), moved);

        QTest::mouseClick(about->button(QStringLiteral("Cmd_OK")), Qt::LeftButton);
        QCOMPARE(m_shell->about().state(), WindowState::Absent);
        settle();
        about = openAbout();
        QVERIFY(about);
        QCOMPARE(imageOf(icon(about)->pixmap()), resourceImage(ui::images::icon));
        const QPoint off = about->frameGeometry().center() - about->screen()->geometry().center();
        QVERIFY2(off.manhattanLength() <= 2, qPrintable(QStringLiteral("off centre by %1,%2").arg(off.x()).arg(off.y())));
    }

    // Each frame is in the backing store before its pause starts, with no event processed between.
    void clickPlaysNineFramesInOrder()
    {
        AboutBox *about = openAbout();
        QVERIFY(about);
        std::vector<int> frames, pausesBefore;
        std::vector<bool> onScreen;
        int pauses = 0;
        about->setPause([&] { ++pauses; });
        about->setFrameObserver([&](int frame) {
            frames.push_back(frame);
            pausesBefore.push_back(pauses);
            onScreen.push_back(iconOnScreen(about) == onBackground(about, ui::images::frames[frame]));
        });
        QTest::mouseClick(icon(about), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(frames, kFrameOrder);
        QCOMPARE(pausesBefore, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));  // none before the first
        QCOMPARE(pauses, 9);
        QCOMPARE(onScreen, std::vector<bool>(9, true));
        QCOMPARE(imageOf(icon(about)->pixmap()), resourceImage(ui::images::icon));
        QCOMPARE(iconOnScreen(about), onBackground(about, ui::images::icon));
    }

    // The animation keeps the thread: two queued clicks play twice, then the queued OK closes.
    void queuedInputWaitsForTheAnimation()
    {
        AboutBox *about = openAbout();
        QVERIFY(about);
        ui::PictureBox *pic = icon(about);
        std::vector<int> frames;
        bool shownThroughout = true;
        about->setPause([] {});
        about->setFrameObserver([&](int frame) {
            frames.push_back(frame);
            shownThroughout = shownThroughout && m_shell->about().state() == WindowState::Shown;
        });
        const QPointF at(10, 10);
        for (int i = 0; i < 2; ++i) {
            QCoreApplication::postEvent(pic, new QMouseEvent(QEvent::MouseButtonPress, at, pic->mapToGlobal(at),
                                                             Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
            QCoreApplication::postEvent(pic, new QMouseEvent(QEvent::MouseButtonRelease, at, pic->mapToGlobal(at),
                                                             Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
        }
        QCoreApplication::postEvent(about->button(QStringLiteral("Cmd_OK")),
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
        QPointer<AboutBox> watch(about);
        settle();
        std::vector<int> twice = kFrameOrder;
        twice.insert(twice.end(), kFrameOrder.begin(), kFrameOrder.end());
        QCOMPARE(frames, twice);
        QVERIFY(shownThroughout);
        QCOMPARE(m_shell->about().state(), WindowState::Absent);
        QVERIFY(watch.isNull());
    }

    void doubleClickPlaysTwice()
    {
        AboutBox *about = openAbout();
        QVERIFY(about);
        int frames = 0;
        about->setPause([] {});
        about->setFrameObserver([&](int) { ++frames; });
        // Through the window system, as a real double click comes: press, release, double click, release.
        QTest::mouseDClick(about->windowHandle(), Qt::LeftButton, {}, icon(about)->mapTo(about, QPoint(10, 10)));
        QCOMPARE(frames, 18);
    }

    // Behaviour, not speed: the real pause holds each frame 200 ms; the upper bound is loose on purpose.
    void realPauseHoldsEachFrame()
    {
        AboutBox *about = openAbout();
        QVERIFY(about);
        QElapsedTimer clock;
        std::vector<qint64> at;
        std::vector<int> frames;
        about->setFrameObserver([&](int frame) {
            frames.push_back(frame);
            at.push_back(clock.elapsed());
        });
        clock.start();
        about->PicMove();
        const qint64 total = clock.elapsed();
        QCOMPARE(frames, kFrameOrder);
        for (size_t i = 1; i < at.size(); ++i)
            QVERIFY2(at[i] - at[i - 1] >= 195, qPrintable(QStringLiteral("gap %1: %2 ms").arg(i).arg(at[i] - at[i - 1])));
        QVERIFY2(total >= 1790 && total <= 2500, qPrintable(QStringLiteral("%1 ms").arg(total)));
        QCOMPARE(imageOf(icon(about)->pixmap()), resourceImage(ui::images::icon));
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
