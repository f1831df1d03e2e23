// The five windows as an operator meets them (offscreen), and how the program ends.

#include "draw/printsheet.h"
#include "shell/identity.h"
#include "shell/shell.h"
#include "tests/testing.h"
#include "ui/definitions.h"
#include "ui/fonts.h"
#include "ui/messagebox.h"

#include <QAccessible>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMenu>
#include <QMimeData>
#include <QPaintEngine>
#include <QPrintEngine>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <functional>

#ifdef Q_OS_WIN
#include "platform/printqueue_win.h"
#endif

using namespace Qt::StringLiterals;
using lists::EntryListForm;
using shell::WindowState;

namespace {

// The status the program ended with, running `action` in the event loop; -1 if it still ran after a while.
int runUntilExit(const std::function<void()> &action)
{
    QTimer guard;
    guard.callOnTimeout([] { QCoreApplication::exit(-1); });
    guard.start(5000);
    QTimer::singleShot(0, action);
    return QCoreApplication::exec();
}

// The ticks of the first rows; every other row must be unticked.
QList<int> ticks(const EntryListForm *f, int first)
{
    QList<int> out;
    for (int r = 0; r < lists::RowCount; ++r)
        if (r < first || f->tickBox(r)->value() != 0)
            out << f->tickBox(r)->value();
    return out;
}

// A printer whose job fails, in each way Qt reports it (on Windows: StartDoc fails begin(), EndDoc only warns).
struct FailingPrinter : QPrinter, QPaintEngine, QPrintEngine {
    const PrinterState jobState;
    const int startDocError, endDocError;
    FailingPrinter(PrinterState s, int startDoc, int endDoc)
        : QPaintEngine(RasterOpModes), jobState(s), startDocError(startDoc), endDocError(endDoc)
    {
        setEngines(this, this);
    }
    bool begin(QPaintDevice *) override
    {
        if (startDocError)
            qErrnoWarning(startDocError, "QWin32PrintEngine::begin: StartDoc failed, document \"抽選する\"");
        return !startDocError;
    }
    bool end() override
    {
        if (endDocError)
            qErrnoWarning(endDocError, "QWin32PrintEngine::end: EndDoc failed");
        return jobState != Idle;
    }
    PrinterState printerState() const override { return jobState; }
    int metric(PaintDeviceMetric m) const override { return m == PdmDepth ? 32 : 600; }
    void updateState(const QPaintEngineState &) override {}
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    Type type() const override { return User; }
    void setProperty(PrintEnginePropertyKey, const QVariant &) override {}
    QVariant property(PrintEnginePropertyKey) const override { return {}; }
    bool newPage() override { return true; }
    bool abort() override { return true; }
};

}  // namespace

class TestWindows : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<shell::Shell> m_shell;

    template <class W>
    W *open(shell::WindowSlot<W> &slot)
    {
        if (slot.show())
            QApplication::setActiveWindow(slot.loaded());
        return slot.loaded() && QTest::qWaitForWindowActive(slot.loaded()) ? slot.loaded() : nullptr;
    }
    EntryListForm *openList(int which)
    {
        return which ? open(m_shell->prizeList()) : static_cast<EntryListForm *>(open(m_shell->participantList()));
    }
    static void settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private Q_SLOTS:
    void initTestCase() { ui::installFontSubstitutions(); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(m_dir->path()));
        ui::MessageBox::reset();
        draw::printing::reset();
        draw::printing::seams().defaultPrinter = [] { return QString(); };  // never a real queue
        draw::printing::seams().queueState = [](const QString &) { return platform::QueueState::Ready; };
        m_shell = std::make_unique<shell::Shell>();
    }
    void cleanup()
    {
        m_shell.reset();
        settle();
        QCOMPARE(ui::MessageBox::takeShownMessages(), QStringList());
        QDir::setCurrent(QDir::tempPath());
    }

    // Each window as defined, centred, and Tab in its own order (first | last stops) round again.
    void everyWindowAsDefined_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<QString>("order");
        QTest::addColumn<int>("stops");
        QTest::addColumn<QList<QPoint>>(
            "centred");  // the frame's top left on 800 by 800 at 96 dpi, 1599 by 1199 at 168
        QTest::newRow("main menu") << 0 << u"参加者設定,景品設定,開始,終了,Lotarinについて|"_s << 5
                                   << QList{QPoint(187, 249), QPoint(429, 337)};
        QTest::newRow("participants")
            << 1
            << u"全員選択,設定,キャンセル,参加 1,名前 1,名前 2,参加 2,名前 3,参加 3,参加 4,名前 4|"
               u"名前 40,参加 40,選択解除"_s
            << 84 << QList{QPoint(14, 183), QPoint(126, 221)};
        QTest::newRow("prizes")
            << 2 << u"抽選 40,景品 40,景品 39,抽選 39,抽選 38,景品 38|景品 1,抽選 1,選択解除,キャンセル,設定,全部選択"_s
            << 84 << QList{QPoint(14, 189), QPoint(125, 231)};
        QTest::newRow("draw sheet") << 3 << u"抽選,やめる,印刷,結果 1,名前 1,名前 2,結果 2|結果 40,名前 40"_s << 83
                                    << QList{QPoint(1, 122), QPoint(102, 115)};
        QTest::newRow("about") << 4 << u"OK|"_s << 1 << QList{QPoint(194, 294), QPoint(441, 416)};
    }
    void everyWindowAsDefined()
    {
        QFETCH(int, window);
        QFETCH(QString, order);
        QFETCH(int, stops);
        QFETCH(QList<QPoint>, centred);
        const QStringList head = order.section(u'|', 0, 0).split(u','),
                          tail = order.section(u'|', 1).split(u',', Qt::SkipEmptyParts);
        QVERIFY(writeFile(QString::fromLatin1(lists::SankaForm::FileName), record(1, "\x90\x6c").repeated(40)));  // 人
        ui::Form *form = window == 0   ? open(m_shell->mainMenu())
                         : window <= 2 ? openList(window - 1)
                         : window == 3 ? static_cast<ui::Form *>(open(m_shell->drawSheet()))
                                       : open(m_shell->about());
        QVERIFY(form);
        const ui::WindowDef &def = form->definition();
        const auto px = [tpp = 1440 / form->screen()->logicalDotsPerInch()](int twips) { return qRound(twips / tpp); };
        QCOMPARE(form->minimumSize(), QSize(px(def.clientWidth), px(def.clientHeight)));
        QCOMPARE(form->maximumSize(), form->minimumSize());
        QCOMPARE(form->windowFlags()
                     & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::MSWindowsFixedSizeDialogHint),
                 Qt::MSWindowsFixedSizeDialogHint  // Windows' frame of a fixed size
                     | (def.border == ui::BorderStyle::FixedSingle ? Qt::WindowMinimizeButtonHint : Qt::WindowFlags()));
#ifndef Q_OS_WIN  // Windows draws the frames
        QCOMPARE(form->frameGeometry().topLeft(), centred[form->screen()->geometry().width() % 2]);
#endif
        for (const ui::ControlDef &c : def.controls) {
            QWidget *w = form->control(c.name, c.index);
            QVERIFY2(w, qPrintable(c.name));
            if (c.kind == ui::ControlKind::Line)
                continue;
            const QRect want(px(c.left), px(c.top), px(c.width), px(c.height));
            QVERIFY2(c.kind == ui::ControlKind::PictureBox ? w->geometry().contains(want) && w->pos() == want.topLeft()
                                                           : w->geometry() == want,
                     qPrintable(c.name));
            QCOMPARE(w->isVisibleTo(form), c.visible);
            // Latin letters and digits in the face of the Japanese beside them.
            const QList scripts = QFontDatabase::writingSystems(QFontInfo(w->font()).family());
            QVERIFY2(scripts.contains(QFontDatabase::Latin) && scripts.contains(QFontDatabase::Japanese),
                     qPrintable(QFontInfo(w->font()).family()));
            if (const ui::FontDef font = c.font.isSet() ? c.font : def.font; font.isSet()) {
                QCOMPARE(std::pair(w->font().pointSizeF(), w->font().bold()),
                         std::pair(font.pointSize, font.weight >= 700));
                const QString family = QFontInfo(w->font()).family();  // in Japanese on a Japanese Windows
                QVERIFY2(family.contains(QRegularExpression(font.face.contains(u"明朝"_s) ? u"Mincho|明朝"_s
                                                                                          : u"Gothic|ゴシック"_s)),
                         qPrintable(family));
            }
            if (c.kind == ui::ControlKind::CheckBox || c.kind == ui::ControlKind::TextBox)
                QVERIFY2(w->accessibleName().endsWith(u" %1"_s.arg(c.index + 1)), qPrintable(c.name));
            if (auto *l = qobject_cast<QLabel *>(w))
                QVERIFY2(l->minimumSizeHint().width() <= l->width() && l->heightForWidth(l->width()) <= l->height(),
                         qPrintable(l->text()));
        }
        QStringList seen;
        for (int i = 0; i <= stops; ++i) {
            const QWidget *w = QApplication::focusWidget();  // what a screen reader calls it
            const auto *button = qobject_cast<const QAbstractButton *>(w);
            seen << (w->accessibleName().isEmpty() && button ? button->text() : w->accessibleName());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(seen.first(head.size()), head);
        QCOMPARE(seen.mid(stops - tail.size(), tail.size()), tail);
        QCOMPARE(seen.last(), seen.first());
        QCOMPARE(int(QSet<QString>(seen.begin(), seen.end()).size()), stops);
    }

    // Each button of the menu opens its window once; 終了 ends with every window open.
    void mainMenuOpensEachWindowOnce()
    {
        shell::tbMainForm *menu = open(m_shell->mainMenu());
        QVERIFY(menu);
        QPushButton *participants = menu->button(u"Command1"_s);
        QTest::keyClick(participants, Qt::Key_Escape);
        QCOMPARE(m_shell->participantList().state(), WindowState::Absent);
        for (const auto &[button, colour] :
             {std::pair{"Command3", QColor(192, 0, 0)}, {"Command4", QColor(0, 128, 128)}}) {
            const QImage face = menu->button(QString::fromLatin1(button))->grab().toImage();
            QCOMPARE(face.pixelColor(6, face.height() / 2), colour);
        }
        participants->click();
        EntryListForm *list = m_shell->participantList().loaded();
        QVERIFY(list && list->isVisible());
        list->nameBox(0)->setText(u"未保存"_s);
        participants->click();
        QCOMPARE(m_shell->participantList().loaded(), list);
        QCOMPARE(list->nameBox(0)->text(), u"未保存"_s);
        for (int i : {2, 3, 5})
            menu->button(u"Command%1"_s.arg(i))->click();
        for (const WindowState s :
             {m_shell->prizeList().state(), m_shell->drawSheet().state(), m_shell->about().state()})
            QCOMPARE(s, WindowState::Shown);
        QCOMPARE(runUntilExit([menu] { menu->button(u"Command4"_s)->click(); }), 0);
    }

    // Each list window from its file to its file: the four buttons, Enter, Esc, the close box, a greyed tick.
    void listWindow()
    {
        const QByteArray grey = "\x8a\x44";  // 灰
        const QByteArray rest =
            record(1) + record(2, grey + "2") + record(0, QByteArray(40000, 'x')) + record(0).repeated(33);
        const QByteArray saved = record(1, grey) + record(1, "A") + record(0, "  ") + record(0, "B") + rest;
        for (int which : {0, 1}) {
            const QString file = QString::fromLatin1(which ? lists::KehinForm::FileName : lists::SankaForm::FileName);
            const auto state = [&] {
                return which ? m_shell->prizeList().state() : m_shell->participantList().state();
            };
            QVERIFY(writeFile(file, record(2, grey) + record(1, "A") + record(0, "  ") + record(0) + rest));
            EntryListForm *f = openList(which);
            QVERIFY(f);
            QCOMPARE(ticks(f, 7), (QList<int>{2, 1, 0, 0, 1, 2, 0}));
            QTest::mouseClick(f->tickBox(0), Qt::LeftButton);  // a greyed tick: a click means "takes part"
            f->nameBox(3)->setFocus();
            QTest::keyClicks(f->nameBox(3), u"B"_s);
            QTest::keyClick(f->nameBox(3), Qt::Key_Return);  // Enter in a name box: 設定
            QCOMPARE(readFile(file), saved);
            QCOMPARE(state(), WindowState::Absent);
            for (int leave = 0; leave < 3; ++leave) {  // Esc, the close box, Enter on キャンセル: nothing is saved
                settle();
                QVERIFY((f = openList(which)));
                f->button(u"Cmd_SentakuKaijo"_s)->click();  // 選択解除: every tick, greyed too
                QCOMPARE(ticks(f, 0), QList<int>());
                f->tickBox(4)->setValue(1);
                f->button(u"Cmd_ZeinSentaku"_s)->click();  // 全員選択: named rows; spaces are a name
                QCOMPARE(ticks(f, 7), QList<int>(7, 1));
                f->nameBox(9)->setText(u"捨てる"_s);
                QWidget *cancel = f->button(u"cmd_Cancel"_s);
                if (leave == 0) {
                    QTest::keyClick(f->nameBox(7), Qt::Key_Escape);
                } else if (leave == 1) {
                    f->close();
                } else {
                    cancel->setFocus();
                    QTest::keyClick(cancel, Qt::Key_Return);
                }
                QCOMPARE(state(), WindowState::Absent);
                QCOMPARE(readFile(file), saved);
            }
        }
    }

    // A spreadsheet column fills the rows from the focused one down, all undone by one Ctrl+Z; one line pastes as ever.
    void pasteAColumn_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QStringList>("rows");  // tick and name of each row from `row` on
        QTest::addColumn<QString>("message");
        QTest::newRow("names, a blank line")
            << 2 << u"甲\n乙\n丙\n\n"_s << QStringList{u"0甲"_s, u"2乙"_s, u"0丙"_s, u"0"_s} << QString();
        QTest::newRow("cells with ticks") << 0 << u"1\t山田\r\n0\t佐藤\r\n\t\t鈴木\r\n3\t高橋\r\n"_s
                                          << QStringList{u"1山田"_s, u"0佐藤"_s, u"0鈴木"_s, u"23"_s} << QString();
        QTest::newRow("beyond row 40") << 38 << u"a\nb\nc\nd\n\n"_s << QStringList{u"0a"_s, u"0b"_s} << u"2 行"_s;
        QTest::newRow("one line") << 5 << u"A\tB\r\n"_s << QStringList{u"0元A B"_s} << QString();
        QTest::newRow("one row with a tick") << 5 << u"1\t山田"_s << QStringList{u"1山田"_s} << QString();
    }
    void pasteAColumn()
    {
        QFETCH(int, row);
        QFETCH(QString, clipboard);
        QFETCH(QStringList, rows);
        QFETCH(QString, message);
        EntryListForm *f = openList(0);
        QVERIFY(f);
        f->tickBox(3)->setValue(2);
        f->nameBox(5)->setText(u"元"_s);
        const lists::EntryList before = f->rows();
        QGuiApplication::clipboard()->setText(clipboard);
        f->nameBox(row)->setFocus();
        ui::MessageBox::setNextAnswer(QMessageBox::Ok);
        QTest::keyClick(f->nameBox(row), Qt::Key_V, Qt::ControlModifier);
        const QStringList shown = ui::MessageBox::takeShownMessages();
        QVERIFY2(shown.size() == !message.isEmpty() && shown.join(QString()).contains(message),
                 qPrintable(shown.join(u'\n')));
        QStringList got;
        for (int r = row; r < row + rows.size(); ++r)
            got << QString::number(f->tickBox(r)->value()) + f->nameBox(r)->text();
        QCOMPARE(got, rows);
        QTest::keyClick(f->nameBox(row), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(f->rows() == before);
    }

    // An unreadable list keeps its window closed; a failed save keeps the window and every edit, focus on the bad row.
    void listWindowFailures()
    {
        const QString file = QString::fromLatin1(lists::SankaForm::FileName);
        QVERIFY(QDir().mkdir(file));
        ui::MessageBox::setNextAnswer(QMessageBox::Ok);
        QVERIFY(!m_shell->participantList().show());
        QCOMPARE(m_shell->participantList().state(), WindowState::Absent);
        QStringList shown = ui::MessageBox::takeShownMessages();
        QVERIFY(shown.size() == 1 && shown[0].contains(file) && shown[0].contains(u"フォルダー"_s));

        QVERIFY(QDir().rmdir(file));
        EntryListForm *f = openList(0);
        QVERIFY(f);
        f->nameBox(0)->setText(u"山田"_s);
        f->nameBox(3)->setText(u"🎉"_s);
        f->nameBox(5)->setText(QString(lists::MaxRecordBytes, u'x'));  // a name the reader would cut
        for (const auto &[expected, row] : {std::pair{"4 行目", 3}, {"6 行目の名前が長すぎ", 5}, {"フォルダー", -1}}) {
            ui::MessageBox::setNextAnswer(QMessageBox::Ok);
            f->button(u"Cmd_Settei"_s)->click();
            shown = ui::MessageBox::takeShownMessages();
            QVERIFY2(shown.size() == 1 && shown[0].contains(QString::fromUtf8(expected)),
                     qPrintable(shown.join(u'\n')));
            QCOMPARE(m_shell->participantList().state(), WindowState::Shown);
            QCOMPARE(f->nameBox(0)->text(), u"山田"_s);
            if (row >= 0) {
                QCOMPARE(QApplication::focusWidget(), f->nameBox(row));
                f->nameBox(row)->setText(row == 3 ? u"花"_s : QString());
            }
            if (row == 5)
                QVERIFY(QFile::remove(file) && QDir().mkdir(file));  // now the file cannot be replaced
        }
        QVERIFY(QDir().rmdir(file));
        f->button(u"Cmd_Settei"_s)->click();
        QCOMPARE(readFile(file), record(0, "\x8e\x52\x93\x63") + record(0).repeated(2) + record(0, "\x89\xd4")
                                     + record(0).repeated(36));
    }

    // The sheet drawn under the room's view and printed; opened again, copied, revealed in the view and saved.
    void drawSheet()
    {
        QVERIFY(writeFile(u"TBNAME.DAT"_s, record(1, "\x8d\x62") + record(2, "x") + record(1, "\x89\xb3")
                                               + record(0, "y") + record(1) + record(0).repeated(35)));
        QVERIFY(
            writeFile(u"TBKEIHIN.DAT"_s, record(1, "A") + record(1, "B") + record(1, "C") + record(0).repeated(37)));
        draw::TombalForm *sheet = open(m_shell->drawSheet());
        QVERIFY(sheet);
        QCOMPARE(m_shell->participantList().state(), WindowState::Hidden);
        const auto box = [&sheet](const char *name, int row) { return sheet->textBox(QString::fromLatin1(name), row); };
        EntryListForm *prizes = openList(1);
        QVERIFY(prizes);
        prizes->tickBox(2)->setValue(0);  // not saved: still what the draw uses
        QCOMPARE(open(m_shell->drawSheet()), sheet);
        box("Txt_Name", 0)->setFocus();
        QVERIFY(!sheet->roomView());  // nothing of the room's view before its first F11
        QTest::keyClick(box("Txt_Name", 0), Qt::Key_F11);
        QPointer<draw::RoomView> view = sheet->roomView();
        QVERIFY(view);
        QTRY_COMPARE(QApplication::activeWindow(), view.data());
        // Each row as the view shows it and a screen reader reads it: name|result, ! for red, ~ if not whole.
        const auto shown = [&view] {
            QStringList rows;
            QAccessibleInterface *list = QAccessible::queryAccessibleInterface(view)->child(0);
            for (const draw::RoomView::Shown &r : view->shown()) {
                rows << r.name + u'|' + r.result + (r.colour == Qt::red ? u"!"_s : u""_s) + (r.whole ? u""_s : u"~"_s);
                QAccessibleInterface *row = list->child(int(rows.size() - 1));
                if (row->role() != QAccessible::ListItem || row->text(QAccessible::Name) != r.name + u'　' + r.result)
                    rows.last() += u"?"_s;
            }
            return rows;
        };
        QTest::keyClick(box("Txt_Name", 0), Qt::Key_Return);  // the sheet's draw, followed at once
        QStringList results, inView;
        for (int r = 0; r < 3; ++r) {
            results << box("Txt_Kekka", r)->text();
            const bool won = results.last() != u"はずれ"_s;
            QCOMPARE(ui::foreColour(box("Txt_Kekka", r)) == ui::rgb(255, 0, 0), won);
            inView << box("Txt_Name", r)->text() + u'|' + results.last() + (won ? u"!"_s : u""_s);
        }
        QCOMPARE(shown(), inView);
        box("Txt_Name", 2)->setText(u"丙"_s);  // a name typed on the sheet shows there too
        QTRY_VERIFY(shown()[2].startsWith(u"丙|"_s));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);  // the view closes, the sheet stays
        settle();
        QVERIFY(!view && m_shell->drawSheet().state() == WindowState::Shown);
        results.sort();
        QCOMPARE(results, (QStringList{u"A"_s, u"B"_s, u"はずれ"_s}));

        auto &seams = draw::printing::seams();
        const QString pdf = m_dir->filePath(u"page.pdf"_s);
        bool buttonsHidden = false;
        seams.defaultPrinter = [] { return u"テスト"_s; };
        seams.configure = [&](QPrinter &p, const draw::printing::Target &) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(pdf);
            buttonsHidden = sheet->button(u"Command1"_s)->isHidden() && sheet->button(u"Command3"_s)->isHidden();
        };
        const auto print = [&](QMessageBox::StandardButton answer) {
            if (answer != QMessageBox::NoButton)
                ui::MessageBox::setNextAnswer(answer);
            sheet->button(u"Command3"_s)->click();
            const auto shown = [sheet](const char *b) { return sheet->button(QString::fromLatin1(b))->isVisible(); };
            return shown("Command1") && shown("Command2") && shown("Command3")
                       ? ui::MessageBox::takeShownMessages().join(u'\n')
                       : u"the buttons stay hidden"_s;
        };
        QCOMPARE(print(QMessageBox::NoButton), QString());
        QVERIFY(buttonsHidden);
#ifndef Q_OS_WIN  // the dated line; under Wine the journey looks at a printed page
        const QString pdftotext = QStandardPaths::findExecutable(u"pdftotext"_s);
        REQUIRE_OR_SKIP(!pdftotext.isEmpty(), "pdftotext (poppler-utils) reads the printed page");
        QProcess text;
        text.start(pdftotext, {pdf, u"-"_s});
        QVERIFY(text.waitForFinished());
        const QString page = QString::fromUtf8(text.readAllStandardOutput()).simplified();
        QVERIFY2(page.contains(QDate::currentDate().toString(u"yyyy年M月d日"_s))
                     && page.contains(u"印刷 参加 3 名 当選 2 名"_s),
                 qPrintable(page));
#endif
        // A queue gone or rejecting jobs is refused; paused or offline, the operator decides.
        using platform::QueueState;
        for (const auto &[state, answer, said] :
             {std::tuple{QueueState::NotFound, QMessageBox::Yes, u"見つけられません"_s},
              {QueueState::Rejecting, QMessageBox::Yes, u"受け付けていません"_s},
              {QueueState::Paused, QMessageBox::Yes, u"一時停止"_s},
              {QueueState::Offline, QMessageBox::No, u"オフライン"_s}}) {
            QVERIFY(!QFile::exists(pdf) || QFile::remove(pdf));
            seams.queueState = [s = state](const QString &) { return s; };
            const QString shown = print(answer);
            const bool asked = state >= QueueState::Paused;
            QVERIFY2(shown.contains(u"プリンター「テスト」"_s) && shown.contains(said)
                         && shown.contains(u"それでも"_s) == asked,
                     qPrintable(shown));
            QCOMPARE(QFile::exists(pdf), asked && answer == QMessageBox::Yes);
        }
        seams.queueState = {};  // a page that cannot be written is said
        seams.configure = [&](QPrinter &p, const draw::printing::Target &) { p.setOutputFileName(pdf + u"/x"_s); };
        QVERIFY(print(QMessageBox::Ok).contains(u"印刷できませんでした"_s));
#ifdef Q_OS_WIN
        // The spooler's answers handed in: Wine's says every printer is ready.
        for (const auto &[status, attributes, state] : {std::tuple{-1, 0, QueueState::NotFound},
                                                        {0x1, 0, QueueState::Paused},
                                                        {0x80, 0, QueueState::Offline},
                                                        {0, 0x400, QueueState::Offline},
                                                        {0x10, 0, QueueState::Failed},
                                                        {0x400, 0, QueueState::Ready}}) {
            const platform::SpoolerAnswer answer{quint32(status), quint32(attributes)};
            platform::setSpoolerQuery(status < 0 ? platform::SpoolerQuery()
                                                 : [answer](const QString &) { return std::optional(answer); });
            QCOMPARE(platform::printQueueState(u"Lotarin にないプリンター"_s), state);
        }
        platform::setSpoolerQuery({});
#endif
        seams.defaultPrinter = [] { return QString(); };
        QVERIFY(print(QMessageBox::No).contains(u"PDF"_s));
        // A job that fails once begun; a print-to-file dialog cancelled (1223) is none.
        const QString failed = u"印刷ジョブが失敗しました"_s;
        for (const auto &[state, startDoc, endDoc, failure] : {std::tuple{QPrinter::Idle, 0, 0, failed},
                                                               {QPrinter::Aborted, 0, 0, failed},
                                                               {QPrinter::Active, 0, 5, failed + u"（"_s},
                                                               {QPrinter::Active, 1223, 0, QString()},
                                                               {QPrinter::Active, 5, 0, u"プリンター"_s}}) {
            FailingPrinter printer(state, startDoc, endDoc);
            const QString got = draw::printing::renderPage(*sheet, printer, QString());
            // With no printer on the machine, Qt makes every printer a PDF writer.
            const QString said = failure.startsWith(u"プリンター"_s) && printer.outputFormat() == QPrinter::PdfFormat
                                     ? u"ファイル"_s
                                     : failure;
            QVERIFY2(said.isEmpty() ? got.isEmpty() : got.startsWith(said), qPrintable(got));
        }
        QTest::keyClick(box("Txt_Kekka", 0), Qt::Key_Escape);
        QCOMPARE(m_shell->drawSheet().state(), WindowState::Absent);

        // Opened again with every prize ticked and a name that looks like a formula.
        prizes->tickBox(2)->setValue(1);
        settle();
        QVERIFY((sheet = open(m_shell->drawSheet())));
        const QString longName = u"=1+2,\"x\" "_s + u"とても長いお名前の参加者さん"_s.repeated(4);
        box("Txt_Name", 2)->setText(longName);
        box("Txt_Name", 0)->setSelection(0, 1);
        QTest::keyClick(box("Txt_Name", 0), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"甲"_s);
        box("Txt_Name", 0)->deselect();
        QTest::keyClick(box("Txt_Name", 0), Qt::Key_C, Qt::ControlModifier);
        const QString quoted = u"\"'=1+2,\"\"x\"\" "_s + u"とても長いお名前の参加者さん"_s.repeated(4) + u'"';
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 u"番号\t名前\t結果\t当選\n1\t甲\t？？？？？\t\n2\t乙\t？？？？？\t\n3\t"_s + quoted
                     + u"\t？？？？？\t\n"_s);
        // The context menu (Shift+F10), run in the event loop: 発表 chosen.
        QStringList commands;
        runUntilExit([&] {
            QTimer::singleShot(0, [&] {
                auto *m = qobject_cast<QMenu *>(QApplication::activePopupWidget());
                QAction *chosen = nullptr;
                for (QAction *a : m ? m->actions() : QList<QAction *>())
                    if (!a->isSeparator() && (commands << a->text(), a->text() == u"発表"_s))
                        chosen = a;
                if (m)
                    m->close();
                if (chosen)
                    chosen->trigger();
            });
            QTest::keyClick(sheet->button(u"Command1"_s), Qt::Key_F10, Qt::ShiftModifier);
            QCoreApplication::exit(0);
        });
        QCOMPARE(commands.mid(commands.size() - 3), (QStringList{u"発表"_s, u"結果をコピー"_s, u"結果を保存…"_s}));
        QVERIFY((view = sheet->roomView()));
        QTRY_COMPARE(QApplication::activeWindow(), view.data());
        QScreen *other = QGuiApplication::screens().size() > 1 ? QGuiApplication::screens().at(1) : sheet->screen();
        QVERIFY(view->screen() == other && view->geometry() == other->geometry() && view->isFullScreen());
        QVERIFY(view->pixelSize() >= 24);
        QCOMPARE(shown(), (QStringList{u"甲|？？？？？"_s, u"乙|？？？？？"_s, longName + u"|？？？？？"_s}));
        // Each Space shows one more result in sheet order, Enter the rest; the focus on the row that appeared.
        for (int revealed = 1; revealed <= 3; ++revealed) {
            QTest::keyClick(QApplication::focusWidget(), revealed < 3 ? Qt::Key_Space : Qt::Key_Return);
            const QStringList rows = shown();
            for (int r = 0; r < 3; ++r)
                QCOMPARE(rows[r].endsWith(u"|？？？？？"_s), r >= revealed);
            QCOMPARE(qobject_cast<QWidget *>(QApplication::focusWidget())->accessibleName(),
                     QString(rows[revealed - 1]).replace(u'|', u'　').remove(u'!'));
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        settle();

        box("Txt_Kekka", 1)->setText(u"特賞"_s);  // typed over: what the sheet shows goes out
        QString suggested, answer = m_dir->filePath(u"結果.csv"_s);
        sheet->askResultsPath = [&](QWidget *, const QString &path) { return suggested = path, answer; };
        QTest::keyClick(box("Txt_Name", 0), Qt::Key_S, Qt::ControlModifier);
        QVERIFY2(
            suggested.startsWith(QDir::currentPath())
                && QRegularExpression(u"/抽選結果_\\d{4}-\\d\\d-\\d\\d_\\d{4}\\.csv$"_s).match(suggested).hasMatch(),
            qPrintable(suggested));
        QCOMPARE(readFile(answer), u"\uFEFF番号,名前,結果,当選\r\n1,甲,%1,○\r\n2,乙,特賞,○\r\n3,%2,%3,○\r\n"_s
                                       .arg(box("Txt_Kekka", 0)->text(), quoted, box("Txt_Kekka", 2)->text())
                                       .toUtf8());
        QVERIFY(QDir().mkdir(answer = m_dir->filePath(u"フォルダー.csv"_s)));
        ui::MessageBox::setNextAnswer(QMessageBox::Ok);
        sheet->saveResults();  // a failed save: said, named, and the sheet as it was
        const QString said = ui::MessageBox::takeShownMessages().join(u'\n');
        QVERIFY2(said.contains(QDir::toNativeSeparators(answer)) && said.contains(u"フォルダー"_s), qPrintable(said));
        QCOMPARE(box("Txt_Kekka", 1)->text(), u"特賞"_s);
        answer.clear();  // cancelled: nothing written, nothing said
        sheet->saveResults();
        QTest::keyClick(box("Txt_Kekka", 0), Qt::Key_Escape);
        QCOMPARE(m_shell->drawSheet().state(), WindowState::Absent);
        QCOMPARE(m_shell->participantList().state(), WindowState::Hidden);
        QCOMPARE(runUntilExit([prizes] { prizes->close(); }), 0);
    }

    // The dated line goes under the sheet, whole, inside the printable area of every page.
    void pageLayout()
    {
        using namespace draw::printing;
        const QDateTime when(QDate(2026, 12, 7), QTime(19, 5));
        const QString footer = footerLine(when, 16, 11);
        QCOMPARE(footer, u"2026年12月7日 19:05 印刷　参加 16 名　当選 11 名"_s);
        for (const auto orientation : {QPageLayout::Portrait, QPageLayout::Landscape}) {
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setPageOrientation(orientation);
            const QFontMetricsF metrics(footerFont(), &printer);
            const QRectF area(0, 0, printer.width(), printer.height());
            const PageLayout page =
                layoutPage(area.size(), QSizeF(794, 551), QSizeF(metrics.horizontalAdvance(footer), metrics.height()));
            QVERIFY(area.contains(page.sheet) && area.contains(page.footer) && page.footer.top() > page.sheet.bottom());
            QCOMPARE(page.footer.width(), metrics.horizontalAdvance(footer));
            QVERIFY(qAbs(page.sheet.width() / page.sheet.height() - 794.0 / 551) < 0.001);
        }
    }

    // A click on the icon shows nine frames, each held by a pause; Esc does nothing, Enter is OK.
    void aboutWindow()
    {
        shell::AboutBox *about = open(m_shell->about());
        QVERIFY(about);
        ui::PictureBox *icon = about->picture(u"Pic_ApIcon"_s);
        std::vector<int> frames;
        about->setPause([&] { frames.push_back(-1); });
        about->setFrameObserver([&](int frame) { frames.push_back(frame); });
        QTest::mouseClick(icon, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(frames, (std::vector<int>{0, -1, 1, -1, 2, -1, 3, -1, 4, -1, 3, -1, 2, -1, 1, -1, 0, -1}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(m_shell->about().state(), WindowState::Shown);
        QTest::keyClick(icon, Qt::Key_Return);
        QCOMPARE(m_shell->about().state(), WindowState::Absent);

        shell::applyIdentity();
        shell::applyWindowIcon();
        shell::installJapaneseTranslation();
        QVERIFY(QGuiApplication::windowIcon().availableSizes().contains(QSize(32, 32)));
        QCOMPARE(QCoreApplication::translate("QFileDialog", "Save As"), u"名前を付けて保存"_s);
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
