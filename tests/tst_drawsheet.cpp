// The draw sheet window: its layout as built, keys, preparation from the participant
// window, drawing from the prize window, printing and closing.

#include "draw/printsheet.h"
#include "draw/tombalform.h"
#include "lists/entrylist.h"
#include "lists/listforms.h"
#include "shell/shell.h"
#include "ui/definitions.h"
#include "ui/fonts.h"
#include "ui/messagebox.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using draw::TombalForm;
using shell::WindowState;

namespace {

const QString pending = QStringLiteral("？？？？？");

QString nameBox() { return QStringLiteral("Txt_Name"); }
QString resultBox() { return QStringLiteral("Txt_Kekka"); }

// Rows of the sheet whose result box comes before the name box in the tab order.
const QList<int> resultFirstRows = {0, 3, 6, 7, 9, 11, 13, 14, 16, 17, 20, 22, 25, 26, 28, 29, 32, 34, 36, 38, 39};

bool saveList(const char *fileName, const lists::EntryList &rows)
{
    return !lists::SaveEntryList(QString::fromLatin1(fileName), rows);
}

lists::EntryList firstTicked(int n, const QString &prefix)
{
    lists::EntryList rows;
    for (int i = 0; i < n; ++i)
        rows[std::size_t(i)] = {1, prefix + QString::number(i + 1)};
    return rows;
}

// Runs a poppler tool; empty output if it is not installed or failed.
QString poppler(const QString &tool, const QStringList &args)
{
    const QString exe = QStandardPaths::findExecutable(tool);
    if (exe.isEmpty())
        return {};
    QProcess p;
    p.start(exe, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace

class TestDrawSheet : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previousDir;
    std::unique_ptr<shell::Shell> m_shell;

    // Opens the sheet as "開始" does; nullptr if it did not open.
    TombalForm *open()
    {
        if (!m_shell->drawSheet().show())
            return nullptr;
        TombalForm *form = m_shell->drawSheet().loaded();
        if (!QTest::qWaitForWindowExposed(form))
            return nullptr;
        return form;
    }

    TombalForm *openActive()
    {
        TombalForm *form = open();
        if (!form)
            return nullptr;
        QApplication::setActiveWindow(form);
        return QTest::qWaitForWindowActive(form) ? form : nullptr;
    }

    static QList<QPushButton *> buttons(const TombalForm *form)
    {
        return {form->button(QStringLiteral("Command1")), form->button(QStringLiteral("Command2")),
                form->button(QStringLiteral("Command3"))};
    }

    // Prints into `path` as if it were the default printer; records whether the buttons
    // were hidden while the page was drawn.
    void printToPdf(TombalForm *form, const QString &path, bool *buttonsHidden)
    {
        auto &seams = draw::printing::seams();
        seams.defaultPrinter = [] { return QStringLiteral("テストプリンター"); };
        seams.configure = [form, path, buttonsHidden](QPrinter &printer, const draw::printing::Target &target) {
            QCOMPARE(target.printerName, QStringLiteral("テストプリンター"));
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            bool hidden = true;
            for (QPushButton *b : buttons(form))
                hidden = hidden && b->isHidden();
            *buttonsHidden = hidden;
        };
        form->button(QStringLiteral("Command3"))->click();
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
        draw::printing::reset();
        // Printing tests must never reach a real queue.
        draw::printing::seams().defaultPrinter = [] { return QString(); };
        draw::printing::seams().askPdfPath = [](QWidget *) { return QString(); };
        m_shell = std::make_unique<shell::Shell>();
    }

    void cleanup()
    {
        m_shell.reset();
        QVERIFY(ui::MessageBox::takeShownMessages().isEmpty());
        ui::MessageBox::reset();
        draw::printing::reset();
        draw::setSeedSource({});
        QDir::setCurrent(m_previousDir);
        m_dir.reset();
    }

    // ---- Layout ----------------------------------------------------------------------

    void definitionIsValid()
    {
        const ui::WindowDef def = ui::drawSheetDefinition();
        QCOMPARE(ui::validate(def), QString());
        QCOMPARE(int(def.controls.size()), 123);
        QCOMPARE(def.caption, QStringLiteral("抽選する"));
        QCOMPARE(def.font.face, QStringLiteral("System"));
        QCOMPARE(def.font.pointSize, 13.2);
        QCOMPARE(def.font.weight, 400);
    }

    void freshSheetGeometry()
    {
        TombalForm form(*m_shell);  // built, not loaded: every row still there
        QCOMPARE(form.size(), QSize(794, 551));
        QCOMPARE(form.windowTitle(), QStringLiteral("抽選する"));
        for (int i = 0; i < 40; ++i) {
            QGroupBox *frame = form.frame(QStringLiteral("Fra_Kekka"), i);
            QVERIFY(frame);
            QVERIFY(frame->isVisibleTo(&form));
            QCOMPARE(frame->title(), QString::number(i + 1));
            const int c = i % 6, g = i / 6;
            QCOMPARE(frame->geometry(), QRect(4 + 132 * c, g < 6 ? 76 * g : 460, 129, 77));
            QLineEdit *name = form.textBox(nameBox(), i);
            QLineEdit *result = form.textBox(resultBox(), i);
            QCOMPARE(name->parentWidget(), frame);
            QCOMPARE(result->parentWidget(), frame);
            QCOMPARE(name->geometry(), QRect(4, 16, 117, 27));
            QCOMPARE(result->geometry(), QRect(4, 44, 117, 27));
            QCOMPARE(name->text(), QString());
            QCOMPARE(result->text(), QString());
            QCOMPARE(name->accessibleName(), QStringLiteral("名前 %1").arg(i + 1));
            QCOMPARE(result->accessibleName(), QStringLiteral("結果 %1").arg(i + 1));
        }
        // Row 40 at Left 6000, Top 6900 twips, with the buttons to its right.
        QCOMPARE(form.frame(QStringLiteral("Fra_Kekka"), 39)->pos(), QPoint(400, 460));
        const QList<QPushButton *> b = buttons(&form);
        QCOMPARE(b[0]->text(), QStringLiteral("抽選"));
        QCOMPARE(b[1]->text(), QStringLiteral("やめる"));
        QCOMPARE(b[2]->text(), QStringLiteral("印刷"));
        QCOMPARE(b[0]->geometry(), QRect(536, 464, 253, 33));
        QCOMPARE(b[1]->geometry(), QRect(540, 504, 89, 33));
        QCOMPARE(b[2]->geometry(), QRect(644, 504, 81, 41));
        const QRect lastFrame = form.frame(QStringLiteral("Fra_Kekka"), 39)->geometry();
        for (QPushButton *button : b)
            QVERIFY(button->geometry().left() > lastFrame.right());
    }

    void fontsKeepTheirExactSizes()
    {
        TombalForm form(*m_shell);
        QCOMPARE(form.font().pointSizeF(), 13.2);
        QCOMPARE(form.font().family(), QStringLiteral("System"));
        QCOMPARE(form.frame(QStringLiteral("Fra_Kekka"), 0)->font().pointSizeF(), 13.2);
        QCOMPARE(form.textBox(nameBox(), 17)->font().pointSizeF(), 13.2);
        QCOMPARE(form.textBox(resultBox(), 39)->font().pointSizeF(), 13.2);
        const QList<QPushButton *> b = buttons(&form);
        QCOMPARE(b[0]->font().pointSizeF(), 13.8);
        QCOMPARE(b[1]->font().pointSizeF(), 13.8);
        QCOMPARE(b[2]->font().pointSizeF(), 24.0);
        for (QPushButton *button : b)
            QCOMPARE(button->font().family(), QStringLiteral("ＭＳ 明朝"));
        // The stand-in faces can show the captions and names.
        QVERIFY(QFontMetrics(b[0]->font()).inFont(QChar(0x62BD)));  // 抽
        QVERIFY(QFontMetrics(form.font()).inFont(QChar(0xFF1F)));
    }

    void tabOrderAndFirstFocus()
    {
        QVERIFY(saveList(lists::SankaForm::FileName, firstTicked(40, QStringLiteral("P"))));
        TombalForm *form = openActive();
        QVERIFY(form);
        QCOMPARE(QApplication::focusWidget(), form->button(QStringLiteral("Command1")));

        QList<QWidget *> expected;
        for (QPushButton *b : buttons(form))
            expected << b;
        for (int i = 0; i < 40; ++i) {
            QWidget *name = form->textBox(nameBox(), i);
            QWidget *result = form->textBox(resultBox(), i);
            if (resultFirstRows.contains(i))
                expected << result << name;
            else
                expected << name << result;
        }
        QCOMPARE(form->tabOrder(), expected);

        // Tab: やめる, 印刷, then row 0's (caption 1) result box and name box, then row 1's name box.
        const QList<QWidget *> steps = {form->button(QStringLiteral("Command2")),
                                        form->button(QStringLiteral("Command3")), form->textBox(resultBox(), 0),
                                        form->textBox(nameBox(), 0), form->textBox(nameBox(), 1)};
        for (QWidget *next : steps) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void tabSkipsHiddenRows()
    {
        QVERIFY(saveList(lists::SankaForm::FileName, firstTicked(1, QStringLiteral("P"))));
        TombalForm *form = openActive();
        QVERIFY(form);
        form->textBox(nameBox(), 0)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form->button(QStringLiteral("Command1")));
    }

    void enterDrawsAndEscapeCloses()
    {
        QVERIFY(saveList(lists::SankaForm::FileName, firstTicked(3, QStringLiteral("P"))));
        QVERIFY(saveList(lists::KehinForm::FileName, firstTicked(3, QStringLiteral("賞"))));
        TombalForm *form = openActive();
        QVERIFY(form);
        // Enter in a text box clicks the Default button, 抽選.
        form->textBox(nameBox(), 2)->setFocus();
        QTest::keyClick(form->textBox(nameBox(), 2), Qt::Key_Return);
        for (int i = 0; i < 3; ++i)
            QVERIFY(form->textBox(resultBox(), i)->text().startsWith(QStringLiteral("賞")));

        // Esc closes the sheet wherever the focus is.
        QTest::keyClick(form->textBox(resultBox(), 1), Qt::Key_Escape);
        QCOMPARE(m_shell->drawSheet().state(), WindowState::Absent);
    }

    // ---- Preparation -----------------------------------------------------------------

    void preparesFromTheParticipantFile()
    {
        lists::EntryList rows;
        rows[3] = {1, QStringLiteral("三郎")};
        rows[5] = {2, QStringLiteral("灰色")};
        rows[7] = {1, QStringLiteral("七子")};
        rows[9] = {0, QStringLiteral("不参加")};
        rows[20] = {1, QString()};
        QVERIFY(saveList(lists::SankaForm::FileName, rows));

        TombalForm *form = open();
        QVERIFY(form);
        QCOMPARE(m_shell->participantList().state(), WindowState::Hidden);
        QCOMPARE(m_shell->prizeList().state(), WindowState::Absent);
        QCOMPARE(form->sheet().entryCount(), qint16(3));
        QCOMPARE(form->textBox(nameBox(), 0)->text(), QStringLiteral("三郎"));
        QCOMPARE(form->textBox(nameBox(), 1)->text(), QStringLiteral("七子"));
        QCOMPARE(form->textBox(nameBox(), 2)->text(), QString());
        for (int i = 0; i < 40; ++i) {
            QGroupBox *frame = form->frame(QStringLiteral("Fra_Kekka"), i);
            QLineEdit *name = form->textBox(nameBox(), i);
            QLineEdit *result = form->textBox(resultBox(), i);
            const bool used = i < 3;
            QCOMPARE(frame->isVisible(), used);
            QCOMPARE(name->isVisibleTo(form), used);
            QCOMPARE(result->isVisibleTo(form), used);
            QCOMPARE(result->text(), used ? pending : QString());
            QCOMPARE(form->sheet().slotTaken(i), !used);
        }
        // The buttons stay where they are.
        for (QPushButton *b : buttons(form))
            QVERIFY(b->isVisible());
    }

    void usesUnsavedTicksOfAnOpenParticipantWindow()
    {
        QVERIFY(saveList(lists::SankaForm::FileName, firstTicked(2, QStringLiteral("保存"))));
        QVERIFY(m_shell->participantList().show());
        lists::SankaForm *list = m_shell->participantList().loaded();
        list->checkBox(QStringLiteral("Chk_Sanka"), 0)->setValue(0);
        list->checkBox(QStringLiteral("Chk_Sanka"), 10)->setValue(1);
        list->textBox(QStringLiteral("Txt_Sanka"), 10)->setText(QStringLiteral("未保存"));

        TombalForm *form = open();
        QVERIFY(form);
        QCOMPARE(form->sheet().entryCount(), qint16(2));
        QCOMPARE(form->textBox(nameBox(), 0)->text(), QStringLiteral("保存2"));
        QCOMPARE(form->textBox(nameBox(), 1)->text(), QStringLiteral("未保存"));
        QCOMPARE(m_shell->participantList().state(), WindowState::Shown);
    }

    void unreadableParticipantFileKeepsTheSheetClosed()
    {
        QVERIFY(QDir().mkdir(QString::fromLatin1(lists::SankaForm::FileName)));
        ui::MessageBox::setNextAnswer(QMessageBox::Ok);
        QVERIFY(!m_shell->drawSheet().show());
        QCOMPARE(m_shell->drawSheet().state(), WindowState::Absent);
        QCOMPARE(m_shell->participantList().state(), WindowState::Absent);
        QCOMPARE(ui::MessageBox::takeShownMessages().size(), 1);  // the list window's own message
    }

    void openingAgainKeepsTheSheet()
    {
        QVERIFY(saveList(lists::SankaForm::FileName, firstTicked(2, QStringLiteral("P"))));
        TombalForm *form = open();
        QVERIFY(form);
        form->textBox(resultBox(), 0)->setText(QStringLiteral("手書き"));
        m_shell->openDrawSheet();
        QCOMPARE(m_shell->drawSheet().loaded(), form);
        QCOMPARE(form->textBox(resultBox(), 0)->text(), QStringLiteral("手書き"));
    }

    // ---- Drawing ---------------------------------------------------------------------

    void winnersInRedOthersLose()
    {
        QVERIFY(saveList(lists::SankaForm::FileName, firstTicked(5, QStringLiteral("P"))));
        lists::EntryList prizes;
        prizes[0] = {1, QStringLiteral("テレビ")};
        prizes[1] = {1, QStringLiteral("自転車")};
        prizes[2] = {1, QStringLiteral("図書券")};
        prizes[6] = {1, QStringLiteral("圏外")};
        QVERIFY(saveList(lists::KehinForm::FileName, prizes));
        TombalForm *form = open();
        QVERIFY(form);
        const ui::Colour normal = ui::foreColour(form->textBox(resultBox(), 0));
        QVERIFY(normal != TombalForm::winnerColour);

        form->button(QStringLiteral("Command1"))->click();
        QCOMPARE(m_shell->prizeList().state(), WindowState::Hidden);
        QStringList won;
        for (int i = 0; i < 5; ++i) {
            QLineEdit *result = form->textBox(resultBox(), i);
            if (result->text() == QStringLiteral("はずれ")) {
                QCOMPARE(ui::foreColour(result), normal);
            } else {
                won << result->text();
                QCOMPARE(ui::foreColour(result), TombalForm::winnerColour);
                QCOMPARE(result->palette().color(QPalette::Text), QColor(255, 0, 0));
                // Red on the usual light background, not on a darkened one.
                QVERIFY(result->palette().color(QPalette::Base).lightness() > 200);
            }
        }
        won.sort();
        QCOMPARE(won, (QStringList{QStringLiteral("テレビ"), QStringLiteral("図書券"), QStringLiteral("自転車")}));
        QCOMPARE(form->lastDraw().winners, 3);

        // A second press changes nothing.
        QStringList before;
        for (int i = 0; i < 5; ++i)
            before << form->textBox(resultBox(), i)->text();
        form->button(QStringLiteral("Command1"))->click();
        for (int i = 0; i < 5; ++i)
            QCOMPARE(form->textBox(resultBox(), i)->text(), before[i]);
    }

    void usesUnsavedPrizesOfAnOpenPrizeWindow()
    {
        QVERIFY(saveList(lists::SankaForm::FileName, firstTicked(1, QStringLiteral("P"))));
        QVERIFY(saveList(lists::KehinForm::FileName, lists::EntryList{}));
        QVERIFY(m_shell->prizeList().show());
        lists::KehinForm *list = m_shell->prizeList().loaded();
        list->textBox(QStringLiteral("Txt_Kehin"), 0)->setText(QStringLiteral("未保存の賞"));
        list->checkBox(QStringLiteral("Chk_Kehin"), 0)->setValue(1);
        TombalForm *form = open();
        QVERIFY(form);
        form->button(QStringLiteral("Command1"))->click();
        QCOMPARE(form->textBox(resultBox(), 0)->text(), QStringLiteral("未保存の賞"));
    }

    // A prize name longer than its box must show its beginning, not its tail.
    void longTextsShowTheirBeginning()
    {
        lists::EntryList people;
        people[0] = {1, QString::fromUtf8("とても長い名前の参加者さんその二十文字目")};
        QVERIFY(saveList(lists::SankaForm::FileName, people));
        lists::EntryList prizes;
        prizes[0] = {1, QString::fromUtf8("温泉旅行ペア宿泊券と往復の新幹線チケット")};
        QVERIFY(saveList(lists::KehinForm::FileName, prizes));
        TombalForm *form = open();
        QVERIFY(form);
        form->button(QStringLiteral("Command1"))->click();
        QLineEdit *name = form->textBox(QStringLiteral("Txt_Name"), 0);
        QLineEdit *result = form->textBox(resultBox(), 0);
        QCOMPARE(result->text(), prizes[0].text);
        QVERIFY(QFontMetrics(result->font()).horizontalAdvance(result->text()) > result->width());
        QCOMPARE(result->cursorPosition(), 0);
        QCOMPARE(name->cursorPosition(), 0);
    }

    void pressWithoutPendingRowsLeavesThePrizeWindowAlone()
    {
        QVERIFY(saveList(lists::SankaForm::FileName, lists::EntryList{}));
        TombalForm *form = open();
        QVERIFY(form);
        form->button(QStringLiteral("Command1"))->click();
        QCOMPARE(m_shell->prizeList().state(), WindowState::Absent);
        QVERIFY(!QFileInfo::exists(QString::fromLatin1(lists::KehinForm::FileName)));
    }

    void unreadablePrizeFileChangesNothing()
    {
        QVERIFY(saveList(lists::SankaForm::FileName, firstTicked(3, QStringLiteral("P"))));
        QVERIFY(QDir().mkdir(QString::fromLatin1(lists::KehinForm::FileName)));
        TombalForm *form = open();
        QVERIFY(form);
        ui::MessageBox::setNextAnswer(QMessageBox::Ok);
        form->button(QStringLiteral("Command1"))->click();
        QCOMPARE(ui::MessageBox::takeShownMessages().size(), 1);  // the prize window's own message
        QVERIFY(form->lastDraw().prizesUnavailable);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(form->textBox(resultBox(), i)->text(), pending);
            QVERIFY(!form->sheet().slotTaken(i));
        }
        QCOMPARE(m_shell->prizeList().state(), WindowState::Absent);

        // Once the file can be read, the next press draws.
        QVERIFY(QDir().rmdir(QString::fromLatin1(lists::KehinForm::FileName)));
        QVERIFY(saveList(lists::KehinForm::FileName, firstTicked(3, QStringLiteral("賞"))));
        form->button(QStringLiteral("Command1"))->click();
        QCOMPARE(form->lastDraw().drawn, 3);
    }

    // ---- Closing ---------------------------------------------------------------------

    void closingUnloadsOnlyTheSheet_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("やめる") << false;
        QTest::newRow("close box") << true;
    }
    void closingUnloadsOnlyTheSheet()
    {
        QFETCH(bool, closeBox);
        QVERIFY(saveList(lists::SankaForm::FileName, firstTicked(2, QStringLiteral("P"))));
        QVERIFY(saveList(lists::KehinForm::FileName, firstTicked(2, QStringLiteral("賞"))));
        QVERIFY(m_shell->mainMenu().show());
        TombalForm *form = open();
        QVERIFY(form);
        form->button(QStringLiteral("Command1"))->click();
        QPointer<TombalForm> gone(form);
        if (closeBox)
            form->close();
        else
            form->button(QStringLiteral("Command2"))->click();
        QCOMPARE(m_shell->drawSheet().state(), WindowState::Absent);
        QCOMPARE(m_shell->participantList().state(), WindowState::Hidden);
        QCOMPARE(m_shell->prizeList().state(), WindowState::Hidden);
        QCOMPARE(m_shell->mainMenu().state(), WindowState::Shown);
        QTRY_VERIFY(gone.isNull());

        // Opening again prepares afresh: the results are gone.
        TombalForm *again = open();
        QVERIFY(again);
        QCOMPARE(again->textBox(resultBox(), 0)->text(), pending);
        QCOMPARE(again->textBox(resultBox(), 1)->text(), pending);
        QVERIFY(ui::foreColour(again->textBox(resultBox(), 0)) != TombalForm::winnerColour);
    }

    // ---- Printing --------------------------------------------------------------------

    void printsOnePageWithoutButtons()
    {
        QVERIFY(saveList(lists::SankaForm::FileName, firstTicked(3, QStringLiteral("P"))));
        QVERIFY(saveList(lists::KehinForm::FileName, firstTicked(3, QStringLiteral("賞"))));
        TombalForm *form = openActive();
        QVERIFY(form);
        form->button(QStringLiteral("Command1"))->click();
        form->button(QStringLiteral("Command3"))->setFocus();

        const QString pdf = m_dir->filePath(QStringLiteral("sheet.pdf"));
        bool hiddenWhilePrinting = false;
        printToPdf(form, pdf, &hiddenWhilePrinting);
        QVERIFY(hiddenWhilePrinting);
        for (QPushButton *b : buttons(form))
            QVERIFY(b->isVisible());
        QCOMPARE(QApplication::focusWidget(), form->button(QStringLiteral("Command3")));
        QVERIFY(QFileInfo(pdf).size() > 0);
        for (int i = 0; i < 3; ++i)
            QVERIFY(form->textBox(resultBox(), i)->text().startsWith(QStringLiteral("賞")));

        const QString info = poppler(QStringLiteral("pdfinfo"), {pdf});
        if (info.isEmpty())
            QSKIP("pdfinfo is not installed");
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))), qPrintable(info));
        // Drawn as text and shapes, not as a picture of the screen: the only images are the
        // style's small corner pieces, and the text has its fonts.
        const QStringList images = poppler(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf})
                                       .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                       .mid(2);
        for (const QString &line : images) {
            const QStringList f = line.simplified().split(QLatin1Char(' '));
            QVERIFY2(f.size() > 4 && f[3].toInt() <= 200 && f[4].toInt() <= 200, qPrintable(line));
        }
        QVERIFY(!poppler(QStringLiteral("pdffonts"), {pdf}).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2).isEmpty());
        if (qEnvironmentVariableIsSet("LOTARIN_KEEP_PDF"))
            QFile::copy(pdf, qEnvironmentVariable("LOTARIN_KEEP_PDF"));

        // The page as an image: the window's grey client area, red winners, nothing where
        // the buttons stand.
        const QString prefix = m_dir->filePath(QStringLiteral("page"));
        poppler(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-png"),
                                              QStringLiteral("-singlefile"), pdf, prefix});
        QImage page(prefix + QStringLiteral(".png"));
        if (page.isNull())
            QSKIP("pdftoppm is not installed");
        QVERIFY(page.width() > page.height());  // landscape, to fit the wide sheet
        QRect sheet;
        int red = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) {
                const QColor c = page.pixelColor(x, y);
                if (c.red() < 250 || c.green() < 250 || c.blue() < 250)
                    sheet |= QRect(x, y, 1, 1);
                red += c.red() > 180 && c.green() < 90 && c.blue() < 90;
            }
        QVERIFY(red > 20);
        // Aspect kept: the grey area has the window's proportions.
        QVERIFY(qAbs(double(sheet.width()) / sheet.height() - 794.0 / 551.0) < 0.02);
        const double sx = sheet.width() / 794.0, sy = sheet.height() / 551.0;
        const QRect buttonArea(sheet.left() + int(536 * sx), sheet.top() + int(464 * sy), int(250 * sx),
                               int(80 * sy));
        int marks = 0;
        for (int y = buttonArea.top(); y <= buttonArea.bottom(); ++y)
            for (int x = buttonArea.left(); x <= buttonArea.right(); ++x)
                marks += page.pixelColor(x, y).lightness() < 200;
        QCOMPARE(marks, 0);
    }

    void failedPrintIsReported()
    {
        QVERIFY(saveList(lists::SankaForm::FileName, firstTicked(2, QStringLiteral("P"))));
        TombalForm *form = open();
        QVERIFY(form);
        auto &seams = draw::printing::seams();
        seams.defaultPrinter = [] { return QStringLiteral("壊れたプリンター"); };
        const QString nowhere = m_dir->filePath(QStringLiteral("no/such/folder/x.pdf"));
        seams.configure = [nowhere](QPrinter &printer, const draw::printing::Target &) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(nowhere);
        };
        ui::MessageBox::setNextAnswer(QMessageBox::Ok);
        form->button(QStringLiteral("Command3"))->click();
        const QStringList shown = ui::MessageBox::takeShownMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(QStringLiteral("壊れたプリンター")), qPrintable(shown.first()));
        QVERIFY(shown.first().contains(QStringLiteral("できませんでした")));
        for (QPushButton *b : buttons(form))
            QVERIFY(b->isVisible());
        QCOMPARE(form->textBox(nameBox(), 1)->text(), QStringLiteral("P2"));
        QCOMPARE(form->textBox(resultBox(), 1)->text(), pending);
    }

    // Qt does not tell whether CUPS took the page; a queue that rejects jobs is asked first.
    void queueThatRefusesIsReported()
    {
        QVERIFY(saveList(lists::SankaForm::FileName, firstTicked(2, QStringLiteral("P"))));
        TombalForm *form = open();
        QVERIFY(form);
        form->button(QStringLiteral("Command1"))->click();
        const QString result = form->textBox(resultBox(), 0)->text();
        auto &seams = draw::printing::seams();
        seams.defaultPrinter = [] { return QStringLiteral("PDF"); };
        QStringList asked;
        seams.configure = [](QPrinter &printer, const draw::printing::Target &t) { printer.setPrinterName(t.printerName); };
        seams.queueRefusal = [&asked](const QString &printer) {
            asked << printer;
            return QStringLiteral("プリンターが印刷を受け付けていません。");
        };
        ui::MessageBox::setNextAnswer(QMessageBox::Ok);
        form->button(QStringLiteral("Command3"))->click();
        const QStringList shown = ui::MessageBox::takeShownMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(QStringLiteral("プリンター「PDF」")), qPrintable(shown.first()));
        QVERIFY(shown.first().contains(QStringLiteral("受け付けていません")));
        QCOMPARE(asked, QStringList{QStringLiteral("PDF")});
        for (QPushButton *b : buttons(form))
            QVERIFY(b->isVisible());
        QCOMPARE(form->textBox(resultBox(), 0)->text(), result);
    }

    void withoutPrinterOffersPdf()
    {
        QVERIFY(saveList(lists::SankaForm::FileName, firstTicked(2, QStringLiteral("P"))));
        TombalForm *form = open();
        QVERIFY(form);
        const QString pdf = m_dir->filePath(QStringLiteral("代わり.pdf"));
        int asked = 0;
        draw::printing::seams().askPdfPath = [&asked, pdf](QWidget *) {
            ++asked;
            return pdf;
        };

        // Declined: nothing happens.
        ui::MessageBox::setNextAnswer(QMessageBox::No);
        form->button(QStringLiteral("Command3"))->click();
        QStringList shown = ui::MessageBox::takeShownMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(QStringLiteral("PDF")), qPrintable(shown.first()));
        QCOMPARE(asked, 0);
        QVERIFY(!QFileInfo::exists(pdf));

        // Accepted: the page goes into the chosen file.
        ui::MessageBox::setNextAnswer(QMessageBox::Yes);
        form->button(QStringLiteral("Command3"))->click();
        QCOMPARE(ui::MessageBox::takeShownMessages().size(), 1);
        QCOMPARE(asked, 1);
        QVERIFY(QFileInfo(pdf).size() > 0);
        for (QPushButton *b : buttons(form))
            QVERIFY(b->isVisible());
        const QString info = poppler(QStringLiteral("pdfinfo"), {pdf});
        if (!info.isEmpty())
            QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))), qPrintable(info));

        // Cancelling the file choice prints nothing either.
        QVERIFY(QFile::remove(pdf));
        draw::printing::seams().askPdfPath = [](QWidget *) { return QString(); };
        ui::MessageBox::setNextAnswer(QMessageBox::Yes);
        form->button(QStringLiteral("Command3"))->click();
        QCOMPARE(ui::MessageBox::takeShownMessages().size(), 1);
        QVERIFY(!QFileInfo::exists(pdf));
    }
};

QTEST_MAIN(TestDrawSheet)
#include "tst_drawsheet.moc"
