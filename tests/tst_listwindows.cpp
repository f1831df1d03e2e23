// The participant and prize list windows: their layout as built, keyboard behaviour, the
// four buttons, and loading and saving through the list files of the current directory.

#include "lists/listforms.h"
#include "shell/shell.h"
#include "ui/definitions.h"
#include "ui/fonts.h"
#include "ui/images.h"
#include "ui/messagebox.h"

#include <QAccessible>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using lists::EntryListForm;
using shell::WindowState;

namespace {

enum class Which { Participants, Prizes };

// The rows in which the participant window puts the check box first in the tab order
// (and the prize window the text box).
const QList<int> checkFirstRows = {0, 3, 6, 7, 9, 11, 12, 14, 15, 18, 21, 22, 24, 25, 28, 31, 32, 34, 35, 38};

QByteArray record(int tick, const QByteArray &text)
{
    return QByteArray::number(tick) + ",\"" + text + "\"\r\n";
}

// A file as the program writes it: the given first records, then empty unticked rows up to 40.
QByteArray listFile(const QList<QByteArray> &firstRecords)
{
    QByteArray out;
    for (const QByteArray &r : firstRecords)
        out += r;
    for (qsizetype i = firstRecords.size(); i < lists::RowCount; ++i)
        out += record(0, {});
    return out;
}

QByteArray readFile(const QString &name)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return f.readAll();
}

bool writeFile(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QString u8(const char *s) { return QString::fromUtf8(s); }

}  // namespace

Q_DECLARE_METATYPE(Which)

class TestListWindows : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previousDir;
    std::unique_ptr<shell::Shell> m_shell;

    static QString fileOf(Which w)
    {
        return QString::fromLatin1(w == Which::Participants ? lists::SankaForm::FileName : lists::KehinForm::FileName);
    }

    WindowState state(Which w)
    {
        return w == Which::Participants ? m_shell->participantList().state() : m_shell->prizeList().state();
    }

    // Opens a window as its main menu button does; nullptr if it did not load.
    EntryListForm *open(Which w)
    {
        const bool ok = w == Which::Participants ? m_shell->participantList().show() : m_shell->prizeList().show();
        if (!ok)
            return nullptr;
        EntryListForm *form = w == Which::Participants
                                  ? static_cast<EntryListForm *>(m_shell->participantList().loaded())
                                  : static_cast<EntryListForm *>(m_shell->prizeList().loaded());
        if (!QTest::qWaitForWindowExposed(form))
            return nullptr;
        return form;
    }

    EntryListForm *openActive(Which w)
    {
        EntryListForm *form = open(w);
        if (!form)
            return nullptr;
        QApplication::setActiveWindow(form);
        if (!QTest::qWaitForWindowActive(form))
            return nullptr;
        return form;
    }

    static void checkTabPath(QList<QWidget *> path)
    {
        path << path.first();
        QCOMPARE(QApplication::focusWidget(), path.first());
        for (qsizetype k = 1; k < path.size(); ++k) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY2(QApplication::focusWidget() == path[k],
                     qPrintable(QStringLiteral("step %1: %2").arg(k).arg(QApplication::focusWidget()->objectName())));
        }
    }

    static void addWindows()
    {
        QTest::addColumn<Which>("which");
        QTest::newRow("participants") << Which::Participants;
        QTest::newRow("prizes") << Which::Prizes;
    }

private Q_SLOTS:
    void initTestCase() { ui::installFontSubstitutions(); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir->path()));
        ui::MessageBox::reset();
        m_shell = std::make_unique<shell::Shell>();
    }

    void cleanup()
    {
        m_shell.reset();
        QVERIFY(ui::MessageBox::takeShownMessages().isEmpty());
        ui::MessageBox::reset();
        QDir::setCurrent(m_previousDir);
        m_dir.reset();
    }

    // ---- Layout ----------------------------------------------------------------------

    void layout_data() { addWindows(); }
    void layout()
    {
        QFETCH(Which, which);
        EntryListForm *form = open(which);
        QVERIFY(form);
        const bool p = which == Which::Participants;
        QCOMPARE(ui::validate(form->definition()), QString());
        QCOMPARE(form->windowTitle(), p ? u8("参加者設定") : u8("景品設定"));
        QCOMPARE(form->objectName(), p ? QStringLiteral("SankaForm") : QStringLiteral("KehinForm"));
        // 11508 x 6456 and 11520 x 6276 twips at 15 twips to the pixel, fixed.
        QCOMPARE(form->size(), p ? QSize(767, 430) : QSize(768, 418));
        QCOMPARE(form->minimumSize(), form->maximumSize());

        const QString fra = p ? QStringLiteral("Fra_Sanka") : QStringLiteral("Fra_Kehin");
        const QString chk = p ? QStringLiteral("Chk_Sanka") : QStringLiteral("Chk_Kehin");
        const QString txt = p ? QStringLiteral("Txt_Sanka") : QStringLiteral("Txt_Kehin");
        for (int i = 0; i < lists::RowCount; ++i) {
            QGroupBox *frame = form->frame(fra, i);
            QVERIFY(frame);
            QCOMPARE(frame->title(), QString::number(i + 1));
            // Five to a line: left 60 + 2280c, top 60 + 660g twips.
            QCOMPARE(frame->geometry(), QRect(4 + 152 * (i % 5), 4 + 44 * (i / 5), 149, 41));
            QVERIFY(frame->isVisible());
            ui::TickBox *tick = form->checkBox(chk, i);
            QLineEdit *text = form->textBox(txt, i);
            QVERIFY(tick && text);
            QCOMPARE(tick->parentWidget(), frame);
            QCOMPARE(text->parentWidget(), frame);
            QCOMPARE(tick->geometry(), QRect(4, 12, 17, 21));
            QCOMPARE(text->geometry(), QRect(24, 12, 117, 21));
            QCOMPARE(tick->text(), QString());
            QCOMPARE(tick, form->tickBox(i));
            QCOMPARE(text, form->nameBox(i));
        }

        const int d = p ? 0 : 12;  // the prize window's buttons sit 180 twips further right and lower
        const struct {
            const char *name, *caption;
            int left;
        } buttons[] = {{"Cmd_ZeinSentaku", p ? "全員選択" : "全部選択", 20},
                       {"Cmd_SentakuKaijo", "選択解除", 112},
                       {"Cmd_Settei", "設定", 260},
                       {"cmd_Cancel", "キャンセル", 352}};
        for (const auto &b : buttons) {
            QPushButton *w = form->button(QString::fromLatin1(b.name));
            QVERIFY2(w, b.name);
            QCOMPARE(w->text(), u8(b.caption));
            QCOMPARE(w->geometry(), QRect(b.left + d, 364 + d, 81, 33));
        }

        const QImage image = QImage(QString::fromLatin1(p ? ui::images::bitmapA : ui::images::bitmapB))
                                 .convertToFormat(QImage::Format_RGB32);
        const QImage other = QImage(QString::fromLatin1(p ? ui::images::bitmapB : ui::images::bitmapA))
                                 .convertToFormat(QImage::Format_RGB32);
        QVERIFY(!image.isNull() && image != other);
        for (int k = 0; k < 3; ++k) {
            ui::PictureBox *pic = form->picture(QStringLiteral("Picture1"), k);
            QVERIFY(pic);
            // Lefts 780 twips apart, 795 twips square.
            QCOMPARE(pic->geometry(), QRect((p ? 456 : 508) + 52 * k, p ? 364 : 360, 53, 53));
            QCOMPARE(pic->pixmap().toImage().convertToFormat(QImage::Format_RGB32), image);
        }

        const QString tickName = p ? u8("参加 ") : u8("抽選 ");
        const QString textName = p ? u8("名前 ") : u8("景品 ");
        for (int i : {0, 39}) {
            const QString n = QString::number(i + 1);
            QCOMPARE(QAccessible::queryAccessibleInterface(form->tickBox(i))->text(QAccessible::Name), tickName + n);
            QCOMPARE(QAccessible::queryAccessibleInterface(form->nameBox(i))->text(QAccessible::Name), textName + n);
        }
    }

    // ---- Keyboard --------------------------------------------------------------------

    // Tab walks the whole path from the first focus and wraps round; the pictures take no focus.
    void participantTabOrder()
    {
        EntryListForm *form = openActive(Which::Participants);
        QVERIFY(form);
        QList<QWidget *> path = {form->button(QStringLiteral("Cmd_ZeinSentaku")), form->button(QStringLiteral("Cmd_Settei")),
                                 form->button(QStringLiteral("cmd_Cancel"))};
        for (int i = 0; i < lists::RowCount; ++i) {
            if (checkFirstRows.contains(i))
                path << form->tickBox(i) << form->nameBox(i);
            else
                path << form->nameBox(i) << form->tickBox(i);
        }
        path << form->button(QStringLiteral("Cmd_SentakuKaijo"));
        checkTabPath(path);
        if (QTest::currentTestFailed())
            return;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), form->button(QStringLiteral("Cmd_SentakuKaijo")));
    }

    void prizeTabOrder()
    {
        EntryListForm *form = openActive(Which::Prizes);
        QVERIFY(form);
        QList<QWidget *> path;  // starts at row 39, whose check box leads
        for (int i = lists::RowCount - 1; i >= 0; --i) {
            if (checkFirstRows.contains(i))
                path << form->nameBox(i) << form->tickBox(i);
            else
                path << form->tickBox(i) << form->nameBox(i);
        }
        path << form->button(QStringLiteral("Cmd_SentakuKaijo")) << form->button(QStringLiteral("cmd_Cancel"))
             << form->button(QStringLiteral("Cmd_Settei")) << form->button(QStringLiteral("Cmd_ZeinSentaku"));
        checkTabPath(path);
    }

    void enterInATextBoxSaves_data() { addWindows(); }
    void enterInATextBoxSaves()
    {
        QFETCH(Which, which);
        EntryListForm *form = openActive(which);
        QVERIFY(form);
        QLineEdit *name = form->nameBox(2);
        name->setFocus();
        QTest::keyClicks(name, QStringLiteral("ABC"));
        name->insert(u8("参加者"));
        form->tickBox(2)->setValue(1);
        QTest::keyClick(name, Qt::Key_Return);

        QCOMPARE(state(which), WindowState::Absent);
        QCOMPARE(readFile(fileOf(which)),
                 listFile({record(0, {}), record(0, {}), record(1, "ABC\x8E\x51\x89\xC1\x8E\xD2")}));
    }

    void enterOnAnotherButtonClicksThatButton()
    {
        EntryListForm *form = openActive(Which::Participants);
        QVERIFY(form);
        form->tickBox(7)->setValue(1);
        QPushButton *clear = form->button(QStringLiteral("Cmd_SentakuKaijo"));
        clear->setFocus();
        QTest::keyClick(clear, Qt::Key_Return);
        QCOMPARE(state(Which::Participants), WindowState::Shown);
        QCOMPARE(form->tickBox(7)->value(), 0);
        QCOMPARE(readFile(fileOf(Which::Participants)), QByteArray());
    }

    void escapeAndCloseBoxDiscardEdits_data() { addWindows(); }
    void escapeAndCloseBoxDiscardEdits()
    {
        QFETCH(Which, which);
        const QByteArray before = listFile({record(1, "Taro"), record(0, " x, y ")});
        QVERIFY(writeFile(fileOf(which), before));

        EntryListForm *form = openActive(which);
        QVERIFY(form);
        QCOMPARE(form->nameBox(0)->text(), QStringLiteral("Taro"));
        QCOMPARE(form->nameBox(1)->text(), QStringLiteral(" x, y "));
        form->nameBox(0)->setText(QStringLiteral("Jiro"));
        form->tickBox(5)->setValue(1);
        form->tickBox(5)->setFocus();
        QTest::keyClick(form->tickBox(5), Qt::Key_Escape);
        QCOMPARE(state(which), WindowState::Absent);
        QCOMPARE(readFile(fileOf(which)), before);

        // Reopened: the file's contents, not the edits.
        form = open(which);
        QVERIFY(form);
        QCOMPARE(form->nameBox(0)->text(), QStringLiteral("Taro"));
        QCOMPARE(form->tickBox(0)->value(), 1);
        QCOMPARE(form->tickBox(5)->value(), 0);
        form->nameBox(3)->setText(QStringLiteral("lost"));
        form->close();  // the close box
        QCOMPARE(state(which), WindowState::Absent);
        QCOMPARE(readFile(fileOf(which)), before);
    }

    void selectAllAndClear_data() { addWindows(); }
    void selectAllAndClear()
    {
        QFETCH(Which, which);
        // Rows 0-4 named; 5 empty, ticked; 6 empty; 7 a space; 8 greyed, named; 9 greyed, empty.
        QVERIFY(writeFile(fileOf(which), listFile({record(0, "a"), record(1, "b"), record(0, "c"), record(0, "d"),
                                                   record(0, "e"), record(1, ""), record(0, ""), record(0, " "),
                                                   record(2, "g"), record(2, "")})));
        EntryListForm *form = open(which);
        QVERIFY(form);
        QCOMPARE(form->tickBox(8)->checkState(), Qt::PartiallyChecked);

        form->button(QStringLiteral("Cmd_ZeinSentaku"))->click();
        const int afterSelect[] = {1, 1, 1, 1, 1, 1, 0, 1, 1, 2};
        for (int r = 0; r < 10; ++r)
            QCOMPARE(form->tickBox(r)->value(), afterSelect[r]);
        for (int r = 10; r < lists::RowCount; ++r)
            QCOMPARE(form->tickBox(r)->value(), 0);

        form->tickBox(9)->setValue(2);
        form->tickBox(30)->setValue(1);
        form->button(QStringLiteral("Cmd_SentakuKaijo"))->click();
        for (int r = 0; r < lists::RowCount; ++r)
            QCOMPARE(form->tickBox(r)->value(), 0);
        QCOMPARE(form->nameBox(7)->text(), QStringLiteral(" "));
        QCOMPARE(form->nameBox(4)->text(), QStringLiteral("e"));
        QCOMPARE(state(which), WindowState::Shown);

        // Neither button saves.
        const QByteArray before = readFile(fileOf(which));
        form->button(QStringLiteral("cmd_Cancel"))->click();
        QCOMPARE(readFile(fileOf(which)), before);
    }

    // A short file fills its rows only; greyed ticks survive; saving pads the file to 40 records.
    void shortFileWithGreyedTicks()
    {
        const QList<QByteArray> records = {record(2, "X"), record(2, ""), record(1, ""), record(0, "Y")};
        QVERIFY(writeFile(fileOf(Which::Prizes), records.join()));
        EntryListForm *form = open(Which::Prizes);
        QVERIFY(form);
        QCOMPARE(form->tickBox(0)->checkState(), Qt::PartiallyChecked);
        QCOMPARE(form->tickBox(1)->value(), 2);
        QCOMPARE(form->tickBox(2)->value(), 1);
        QCOMPARE(form->nameBox(3)->text(), QStringLiteral("Y"));
        QCOMPARE(form->nameBox(4)->text(), QString());
        form->button(QStringLiteral("Cmd_Settei"))->click();
        QCOMPARE(state(Which::Prizes), WindowState::Absent);
        QCOMPARE(readFile(fileOf(Which::Prizes)), listFile(records));
    }

    // ---- Loading ---------------------------------------------------------------------

    void missingFileGivesEmptyRowsAndAnEmptyFile_data() { addWindows(); }
    void missingFileGivesEmptyRowsAndAnEmptyFile()
    {
        QFETCH(Which, which);
        QVERIFY(!QFile::exists(fileOf(which)));
        EntryListForm *form = open(which);
        QVERIFY(form);
        for (int r = 0; r < lists::RowCount; ++r) {
            QCOMPARE(form->tickBox(r)->value(), 0);
            QCOMPARE(form->nameBox(r)->text(), QString());
        }
        QVERIFY(QFile::exists(fileOf(which)));
        form->button(QStringLiteral("cmd_Cancel"))->click();
        QCOMPARE(readFile(fileOf(which)), QByteArray());
    }

    void unreadableFileKeepsTheWindowClosed_data() { addWindows(); }
    void unreadableFileKeepsTheWindowClosed()
    {
        QFETCH(Which, which);
        QVERIFY(QDir().mkdir(fileOf(which)));  // a folder where the list file should be
        ui::MessageBox::setNextAnswer(QMessageBox::Ok);
        QVERIFY(!open(which));
        QCOMPARE(state(which), WindowState::Absent);
        const QStringList shown = ui::MessageBox::takeShownMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(fileOf(which)), qPrintable(shown.first()));
        QVERIFY(QFileInfo(fileOf(which)).isDir());

        // Once the file can be read, the window opens normally.
        QVERIFY(QDir().rmdir(fileOf(which)));
        QVERIFY(writeFile(fileOf(which), record(1, "ok")));
        EntryListForm *form = open(which);
        QVERIFY(form);
        QCOMPARE(form->nameBox(0)->text(), QStringLiteral("ok"));
    }

    void hiddenLoadIsNotReadAgainWhenShown_data() { addWindows(); }
    void hiddenLoadIsNotReadAgainWhenShown()
    {
        QFETCH(Which, which);
        QVERIFY(writeFile(fileOf(which), listFile({record(1, "first")})));
        EntryListForm *hidden = which == Which::Participants
                                    ? static_cast<EntryListForm *>(m_shell->participantList().get())
                                    : static_cast<EntryListForm *>(m_shell->prizeList().get());
        QVERIFY(hidden);
        QCOMPARE(state(which), WindowState::Hidden);
        QCOMPARE(hidden->nameBox(0)->text(), QStringLiteral("first"));

        QVERIFY(writeFile(fileOf(which), listFile({record(0, "second")})));
        EntryListForm *shown = open(which);
        QCOMPARE(shown, hidden);
        QCOMPARE(state(which), WindowState::Shown);
        QCOMPARE(shown->nameBox(0)->text(), QStringLiteral("first"));
        QCOMPARE(shown->tickBox(0)->value(), 1);
    }

    void failedSaveKeepsTheWindowAndItsEdits()
    {
        EntryListForm *form = open(Which::Participants);
        QVERIFY(form);
        form->nameBox(0)->setText(u8("山田"));
        form->tickBox(0)->setValue(1);
        form->tickBox(39)->setValue(1);

        // The file cannot be replaced: a folder has taken its name.
        QVERIFY(QFile::remove(fileOf(Which::Participants)));
        QVERIFY(QDir().mkdir(fileOf(Which::Participants)));
        ui::MessageBox::setNextAnswer(QMessageBox::Ok);
        form->button(QStringLiteral("Cmd_Settei"))->click();
        const QStringList shown = ui::MessageBox::takeShownMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(QStringLiteral("TBNAME.DAT")), qPrintable(shown.first()));
        QCOMPARE(state(Which::Participants), WindowState::Shown);
        QCOMPARE(form->nameBox(0)->text(), u8("山田"));
        QCOMPARE(form->tickBox(0)->value(), 1);
        QCOMPARE(form->tickBox(39)->value(), 1);

        QVERIFY(QDir().rmdir(fileOf(Which::Participants)));
        form->button(QStringLiteral("Cmd_Settei"))->click();
        QCOMPARE(state(Which::Participants), WindowState::Absent);
        QList<QByteArray> expected(lists::RowCount, record(0, {}));
        expected[0] = record(1, "\x8E\x52\x93\x63");
        expected[39] = record(1, {});
        QCOMPARE(readFile(fileOf(Which::Participants)), listFile(expected));
    }

    void unstorableCharactersAreRefused()
    {
        const QByteArray before = listFile({record(0, "keep")});
        QVERIFY(writeFile(fileOf(Which::Prizes), before));
        EntryListForm *form = openActive(Which::Prizes);
        QVERIFY(form);
        // Typing them is fine; only saving refuses.
        form->nameBox(3)->setText(u8("🎉"));
        form->nameBox(5)->setText(u8("A😀B"));
        ui::MessageBox::setNextAnswer(QMessageBox::Ok);
        form->button(QStringLiteral("Cmd_Settei"))->click();
        const QStringList shown = ui::MessageBox::takeShownMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(QStringLiteral("4, 6")), qPrintable(shown.first()));
        QCOMPARE(state(Which::Prizes), WindowState::Shown);
        QCOMPARE(readFile(fileOf(Which::Prizes)), before);
        QCOMPARE(form->nameBox(5)->text(), u8("A😀B"));
        QCOMPARE(QApplication::focusWidget(), form->nameBox(3));  // where the first fix is needed

        form->nameBox(3)->setText(u8("花束"));
        form->nameBox(5)->setText(QStringLiteral("AB"));
        form->button(QStringLiteral("Cmd_Settei"))->click();
        QCOMPARE(state(Which::Prizes), WindowState::Absent);
        QCOMPARE(readFile(fileOf(Which::Prizes)),
                 listFile({record(0, "keep"), record(0, {}), record(0, {}), record(0, "\x89\xd4\x91\xa9"),
                           record(0, {}), record(0, "AB")}));
    }

    void pastedLineBreaksBecomeSpaces()
    {
        EntryListForm *form = openActive(Which::Participants);
        QVERIFY(form);
        QLineEdit *name = form->nameBox(0);
        name->setFocus();

        QGuiApplication::clipboard()->setText(QStringLiteral("a\r\nb\nc\td\re"));
        QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(name->text(), QStringLiteral("a b c d e"));
        QCOMPARE(name->cursorPosition(), 9);

        // Pasted in the middle: the cursor ends right after what was pasted.
        name->setText(QStringLiteral("XY"));
        name->setCursorPosition(1);
        QGuiApplication::clipboard()->setText(QStringLiteral("1\r\n2\n"));
        QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(name->text(), QStringLiteral("X1 2 Y"));
        QCOMPARE(name->cursorPosition(), 5);

        // Text set from outside (a screen reader does this) is kept on one line too.
        form->nameBox(1)->setText(QStringLiteral("line1\nline2\x01"));
        QCOMPARE(form->nameBox(1)->text(), QStringLiteral("line1 line2 "));

        form->button(QStringLiteral("Cmd_Settei"))->click();
        QCOMPARE(state(Which::Participants), WindowState::Absent);
        QCOMPARE(readFile(fileOf(Which::Participants)),
                 listFile({record(0, "X1 2 Y"), record(0, "line1 line2 ")}));
    }
};

QTEST_MAIN(TestListWindows)
#include "tst_listwindows.moc"
