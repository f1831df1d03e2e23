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

// Rows of the sheet whose result box comes before the name box in the tab order.
const QList<int> resultFirstRows = {0, 3, 6, 7, 9, 11, 13, 14, 16, 17, 20, 22, 25, 26, 28, 29, 32, 34, 36, 38, 39};

QLineEdit *nameOf(const TombalForm *f, int row) { return f->textBox(QStringLiteral("Txt_Name"), row); }
QLineEdit *resultOf(const TombalForm *f, int row) { return f->textBox(QStringLiteral("Txt_Kekka"), row); }
QPushButton *cmd(const TombalForm *f, int n) { return f->button(QStringLiteral("Command%1").arg(n)); }
bool buttonsShown(const TombalForm *f) { return cmd(f, 1)->isVisible() && cmd(f, 2)->isVisible() && cmd(f, 3)->isVisible(); }

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

bool onePage(const QString &pdfInfo) { return pdfInfo.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))); }

}  // namespace

class TestDrawSheet : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previousDir;
    std::unique_ptr<shell::Shell> m_shell;

    // Opens the sheet as "開始" does; nullptr if it did not open.
    TombalForm *open(bool active = false)
    {
        if (!m_shell->drawSheet().show())
            return nullptr;
        TombalForm *form = m_shell->drawSheet().loaded();
        if (!QTest::qWaitForWindowExposed(form))
            return nullptr;
        if (active)
            QApplication::setActiveWindow(form);
        return !active || QTest::qWaitForWindowActive(form) ? form : nullptr;
    }

    // Saves `people` ticked participants (and `prizes` prizes, if any) and opens the sheet.
    TombalForm *openWith(int people, int prizes = 0, bool active = false)
    {
        if (!saveList(lists::SankaForm::FileName, firstTicked(people, QStringLiteral("P"))))
            return nullptr;
        if (prizes && !saveList(lists::KehinForm::FileName, firstTicked(prizes, QStringLiteral("賞"))))
            return nullptr;
        return open(active);
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
        draw::printing::seams().queueRefusal = [](const QString &) { return QString(); };
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

    void layoutAndFonts()
    {
        const ui::WindowDef def = ui::drawSheetDefinition();
        QCOMPARE(ui::validate(def), QString());
        QCOMPARE(int(def.controls.size()), 123);

        TombalForm form(*m_shell);  // built, not loaded: every row still there
        QCOMPARE(form.size(), QSize(794, 551));
        QCOMPARE(form.windowTitle(), QStringLiteral("抽選する"));
        QCOMPARE(form.font().family(), QStringLiteral("System"));
        QCOMPARE(form.font().pointSizeF(), 13.2);
        QVERIFY(!form.font().bold());
        for (int i = 0; i < 40; ++i) {
            QGroupBox *frame = form.frame(QStringLiteral("Fra_Kekka"), i);
            QVERIFY(frame);
            QVERIFY(frame->isVisibleTo(&form));
            QCOMPARE(frame->title(), QString::number(i + 1));
            QCOMPARE(frame->geometry(), QRect(4 + 132 * (i % 6), i < 36 ? 76 * (i / 6) : 460, 129, 77));
            QCOMPARE(frame->font().pointSizeF(), 13.2);
            for (QLineEdit *box : {nameOf(&form, i), resultOf(&form, i)}) {
                QCOMPARE(box->parentWidget(), frame);
                QCOMPARE(box->text(), QString());
                QCOMPARE(box->font().pointSizeF(), 13.2);
            }
            QCOMPARE(nameOf(&form, i)->geometry(), QRect(4, 16, 117, 27));
            QCOMPARE(resultOf(&form, i)->geometry(), QRect(4, 44, 117, 27));
            QCOMPARE(nameOf(&form, i)->accessibleName(), QStringLiteral("名前 %1").arg(i + 1));
            QCOMPARE(resultOf(&form, i)->accessibleName(), QStringLiteral("結果 %1").arg(i + 1));
        }
        const struct {
            const char *text;
            QRect rect;
            double points;
        } buttons[] = {{"抽選", {536, 464, 253, 33}, 13.8}, {"やめる", {540, 504, 89, 33}, 13.8},
                       {"印刷", {644, 504, 81, 41}, 24.0}};
        for (int n = 1; n <= 3; ++n) {
            QPushButton *b = cmd(&form, n);
            QCOMPARE(b->text(), QString::fromUtf8(buttons[n - 1].text));
            QCOMPARE(b->geometry(), buttons[n - 1].rect);
            QCOMPARE(b->font().pointSizeF(), buttons[n - 1].points);
            QCOMPARE(b->font().family(), QStringLiteral("ＭＳ 明朝"));
        }
        // The stand-in faces can show the captions and the pending mark.
        QVERIFY(QFontMetrics(cmd(&form, 1)->font()).inFont(QChar(0x62BD)));  // 抽
        QVERIFY(QFontMetrics(form.font()).inFont(QChar(0xFF1F)));
    }

    void tabOrderAndFirstFocus()
    {
        TombalForm *form = openWith(40, 0, true);
        QVERIFY(form);
        QCOMPARE(QApplication::focusWidget(), cmd(form, 1));
        QList<QWidget *> expected = {cmd(form, 1), cmd(form, 2), cmd(form, 3)};
        for (int i = 0; i < 40; ++i) {
            if (resultFirstRows.contains(i))
                expected << resultOf(form, i) << nameOf(form, i);
            else
                expected << nameOf(form, i) << resultOf(form, i);
        }
        QCOMPARE(form->tabOrder(), expected);
        // Tab really follows it: やめる, 印刷, row 0's result and name box, row 1's name box.
        for (QWidget *next : expected.mid(1, 5)) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void tabSkipsHiddenRows()
    {
        TombalForm *form = openWith(1, 0, true);
        QVERIFY(form);
        nameOf(form, 0)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), cmd(form, 1));
    }

    void enterDrawsAndEscapeCloses()
    {
        TombalForm *form = openWith(3, 3, true);
        QVERIFY(form);
        nameOf(form, 2)->setFocus();  // Enter in a text box clicks the Default button, 抽選
        QTest::keyClick(nameOf(form, 2), Qt::Key_Return);
        for (int i = 0; i < 3; ++i)
            QVERIFY(resultOf(form, i)->text().startsWith(QStringLiteral("賞")));
        QTest::keyClick(resultOf(form, 1), Qt::Key_Escape);
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
        QCOMPARE(nameOf(form, 0)->text(), QStringLiteral("三郎"));
        QCOMPARE(nameOf(form, 1)->text(), QStringLiteral("七子"));
        QCOMPARE(nameOf(form, 2)->text(), QString());
        for (int i = 0; i < 40; ++i) {
            const bool used = i < 3;
            QCOMPARE(form->frame(QStringLiteral("Fra_Kekka"), i)->isVisible(), used);
            QCOMPARE(nameOf(form, i)->isVisibleTo(form), used);
            QCOMPARE(resultOf(form, i)->isVisibleTo(form), used);
            QCOMPARE(resultOf(form, i)->text(), used ? pending : QString());
            QCOMPARE(form->sheet().slotTaken(i), !used);
        }
        QVERIFY(buttonsShown(form));
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
        QCOMPARE(nameOf(form, 0)->text(), QStringLiteral("保存2"));
        QCOMPARE(nameOf(form, 1)->text(), QStringLiteral("未保存"));
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
        TombalForm *form = openWith(2);
        QVERIFY(form);
        resultOf(form, 0)->setText(QStringLiteral("手書き"));
        m_shell->openDrawSheet();
        QCOMPARE(m_shell->drawSheet().loaded(), form);
        QCOMPARE(resultOf(form, 0)->text(), QStringLiteral("手書き"));
    }

    // ---- Drawing ---------------------------------------------------------------------

    void winnersInRedOthersLose()
    {
        TombalForm *form = openWith(5, 3);
        QVERIFY(form);
        const ui::Colour normal = ui::foreColour(resultOf(form, 0));
        QVERIFY(normal != TombalForm::winnerColour);
        cmd(form, 1)->click();
        QCOMPARE(m_shell->prizeList().state(), WindowState::Hidden);
        QStringList won;
        for (int i = 0; i < 5; ++i) {
            QLineEdit *result = resultOf(form, i);
            if (result->text() == QStringLiteral("はずれ")) {
                QCOMPARE(ui::foreColour(result), normal);
                continue;
            }
            won << result->text();
            QCOMPARE(ui::foreColour(result), TombalForm::winnerColour);
            QCOMPARE(result->palette().color(QPalette::Text), QColor(255, 0, 0));
            QVERIFY(result->palette().color(QPalette::Base).lightness() > 200);  // on the usual light background
        }
        won.sort();
        QCOMPARE(won, (QStringList{QStringLiteral("賞1"), QStringLiteral("賞2"), QStringLiteral("賞3")}));
        QCOMPARE(form->lastDraw().winners, 3);
    }

    void usesUnsavedPrizesOfAnOpenPrizeWindow()
    {
        QVERIFY(saveList(lists::KehinForm::FileName, lists::EntryList{}));
        QVERIFY(m_shell->prizeList().show());
        lists::KehinForm *list = m_shell->prizeList().loaded();
        list->textBox(QStringLiteral("Txt_Kehin"), 0)->setText(QStringLiteral("未保存の賞"));
        list->checkBox(QStringLiteral("Chk_Kehin"), 0)->setValue(1);
        TombalForm *form = openWith(1);
        QVERIFY(form);
        cmd(form, 1)->click();
        QCOMPARE(resultOf(form, 0)->text(), QStringLiteral("未保存の賞"));
    }

    // A text longer than its box must show its beginning, not its tail.
    void longTextsShowTheirBeginning()
    {
        lists::EntryList people, prizes;
        people[0] = {1, QString::fromUtf8("とても長い名前の参加者さんその二十文字目")};
        prizes[0] = {1, QString::fromUtf8("温泉旅行ペア宿泊券と往復の新幹線チケット")};
        QVERIFY(saveList(lists::SankaForm::FileName, people));
        QVERIFY(saveList(lists::KehinForm::FileName, prizes));
        TombalForm *form = open();
        QVERIFY(form);
        cmd(form, 1)->click();
        QLineEdit *result = resultOf(form, 0);
        QCOMPARE(result->text(), prizes[0].text);
        QVERIFY(QFontMetrics(result->font()).horizontalAdvance(result->text()) > result->width());
        QCOMPARE(result->cursorPosition(), 0);
        QCOMPARE(nameOf(form, 0)->cursorPosition(), 0);
    }

    void pressWithoutPendingRowsLeavesThePrizeWindowAlone()
    {
        TombalForm *form = openWith(0);
        QVERIFY(form);
        cmd(form, 1)->click();
        QCOMPARE(m_shell->prizeList().state(), WindowState::Absent);
        QVERIFY(!QFileInfo::exists(QString::fromLatin1(lists::KehinForm::FileName)));
    }

    void unreadablePrizeFileChangesNothing()
    {
        QVERIFY(QDir().mkdir(QString::fromLatin1(lists::KehinForm::FileName)));
        TombalForm *form = openWith(3);
        QVERIFY(form);
        ui::MessageBox::setNextAnswer(QMessageBox::Ok);
        cmd(form, 1)->click();
        QCOMPARE(ui::MessageBox::takeShownMessages().size(), 1);  // the prize window's own message
        QVERIFY(form->lastDraw().prizesUnavailable);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(resultOf(form, i)->text(), pending);
            QVERIFY(!form->sheet().slotTaken(i));
        }
        QCOMPARE(m_shell->prizeList().state(), WindowState::Absent);

        QVERIFY(QDir().rmdir(QString::fromLatin1(lists::KehinForm::FileName)));  // readable again: draws
        QVERIFY(saveList(lists::KehinForm::FileName, firstTicked(3, QStringLiteral("賞"))));
        cmd(form, 1)->click();
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
        QVERIFY(m_shell->mainMenu().show());
        TombalForm *form = openWith(2, 2);
        QVERIFY(form);
        cmd(form, 1)->click();
        QPointer<TombalForm> gone(form);
        if (closeBox)
            form->close();
        else
            cmd(form, 2)->click();
        QCOMPARE(m_shell->drawSheet().state(), WindowState::Absent);
        QCOMPARE(m_shell->participantList().state(), WindowState::Hidden);
        QCOMPARE(m_shell->prizeList().state(), WindowState::Hidden);
        QCOMPARE(m_shell->mainMenu().state(), WindowState::Shown);
        QTRY_VERIFY(gone.isNull());

        TombalForm *again = open();  // prepared afresh: the results are gone
        QVERIFY(again);
        QCOMPARE(resultOf(again, 0)->text(), pending);
        QCOMPARE(resultOf(again, 1)->text(), pending);
        QVERIFY(ui::foreColour(resultOf(again, 0)) != TombalForm::winnerColour);
    }

    // ---- Printing --------------------------------------------------------------------

    void printsOnePageWithoutButtons()
    {
        TombalForm *form = openWith(3, 3, true);
        QVERIFY(form);
        cmd(form, 1)->click();
        cmd(form, 3)->setFocus();
        const QString pdf = m_dir->filePath(QStringLiteral("sheet.pdf"));
        bool hiddenWhilePrinting = false;
        auto &seams = draw::printing::seams();
        seams.defaultPrinter = [] { return QStringLiteral("テストプリンター"); };
        seams.configure = [&](QPrinter &printer, const draw::printing::Target &target) {
            QCOMPARE(target.printerName, QStringLiteral("テストプリンター"));
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            hiddenWhilePrinting = cmd(form, 1)->isHidden() && cmd(form, 2)->isHidden() && cmd(form, 3)->isHidden();
        };
        cmd(form, 3)->click();
        QVERIFY(hiddenWhilePrinting);
        QVERIFY(buttonsShown(form));
        QCOMPARE(QApplication::focusWidget(), cmd(form, 3));
        QVERIFY(QFileInfo(pdf).size() > 0);
        for (int i = 0; i < 3; ++i)
            QVERIFY(resultOf(form, i)->text().startsWith(QStringLiteral("賞")));

        const QString info = poppler(QStringLiteral("pdfinfo"), {pdf});
        if (info.isEmpty())
            QSKIP("pdfinfo is not installed");
        QVERIFY2(onePage(info), qPrintable(info));
        // Drawn as text and shapes, not a screen picture: only the style's small corner images.
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

        // The page as an image: landscape, the window's proportions, red winners, no buttons.
        const QString prefix = m_dir->filePath(QStringLiteral("page"));
        poppler(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-png"),
                                              QStringLiteral("-singlefile"), pdf, prefix});
        QImage page(prefix + QStringLiteral(".png"));
        if (page.isNull())
            QSKIP("pdftoppm is not installed");
        QVERIFY(page.width() > page.height());
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
        QVERIFY(qAbs(double(sheet.width()) / sheet.height() - 794.0 / 551.0) < 0.02);
        const double sx = sheet.width() / 794.0, sy = sheet.height() / 551.0;
        const QRect buttonArea(sheet.left() + int(536 * sx), sheet.top() + int(464 * sy), int(250 * sx), int(80 * sy));
        int marks = 0;
        for (int y = buttonArea.top(); y <= buttonArea.bottom(); ++y)
            for (int x = buttonArea.left(); x <= buttonArea.right(); ++x)
                marks += page.pixelColor(x, y).lightness() < 200;
        QCOMPARE(marks, 0);
    }

    // A page that fails to print, a queue that refuses jobs (Qt cannot tell whether CUPS
    // took it, so the queue is asked first), or a printer Qt does not know: one message
    // naming the printer, sheet unchanged.
    void printFailureIsReported_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("reason");
        QTest::newRow("unwritable output") << QStringLiteral("output") << QStringLiteral("ファイルを作成できませんでした");
        QTest::newRow("queue refuses") << QStringLiteral("queue") << QStringLiteral("受け付けていません");
        QTest::newRow("printer unknown to Qt") << QStringLiteral("unknown") << QStringLiteral("見つかりません");
    }
    void printFailureIsReported()
    {
        QFETCH(QString, failure);
        QFETCH(QString, reason);
        TombalForm *form = openWith(2);
        QVERIFY(form);
        if (failure != QLatin1String("output"))
            cmd(form, 1)->click();
        const QString result = resultOf(form, 0)->text();
        const QString printer = failure == QLatin1String("unknown") ? QStringLiteral("どこにもないプリンター")
                                                                    : QStringLiteral("壊れたプリンター");
        const QString nowhere = m_dir->filePath(QStringLiteral("no/such/folder/x.pdf"));
        QStringList asked;
        bool configured = false;
        auto &seams = draw::printing::seams();
        seams.defaultPrinter = [printer] { return printer; };
        seams.queueRefusal = [&asked, failure](const QString &name) {
            asked << name;
            return failure == QLatin1String("queue") ? QStringLiteral("プリンターが印刷を受け付けていません。") : QString();
        };
        if (failure == QLatin1String("output")) {
            seams.configure = [nowhere](QPrinter &p, const draw::printing::Target &) {
                p.setOutputFormat(QPrinter::PdfFormat);
                p.setOutputFileName(nowhere);
            };
        } else if (failure == QLatin1String("queue")) {
            seams.configure = [&configured](QPrinter &, const draw::printing::Target &) { configured = true; };
        } else {
            // What Qt does with a printer name it does not know when no print service answers
            // (a service that does answer is asked first, by the queue check).
            seams.configure = [](QPrinter &p, const draw::printing::Target &) { p.setOutputFormat(QPrinter::PdfFormat); };
        }
        ui::MessageBox::setNextAnswer(QMessageBox::Ok);
        cmd(form, 3)->click();
        const QStringList shown = ui::MessageBox::takeShownMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(QStringLiteral("プリンター「%1」").arg(printer)), qPrintable(shown.first()));
        QVERIFY2(shown.first().contains(reason), qPrintable(shown.first()));
        QCOMPARE(asked, QStringList{printer});
        QVERIFY(!configured);
        QVERIFY(buttonsShown(form));
        QCOMPARE(nameOf(form, 1)->text(), QStringLiteral("P2"));
        QCOMPARE(resultOf(form, 0)->text(), result);
    }

    void withoutPrinterOffersPdf()
    {
        TombalForm *form = openWith(2);
        QVERIFY(form);
        const QString pdf = m_dir->filePath(QStringLiteral("代わり.pdf"));
        int asked = 0;
        draw::printing::seams().askPdfPath = [&asked, pdf](QWidget *) {
            ++asked;
            return pdf;
        };
        ui::MessageBox::setNextAnswer(QMessageBox::No);  // declined: nothing happens
        cmd(form, 3)->click();
        const QStringList shown = ui::MessageBox::takeShownMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(QStringLiteral("PDF")), qPrintable(shown.first()));
        QCOMPARE(asked, 0);
        QVERIFY(!QFileInfo::exists(pdf));

        ui::MessageBox::setNextAnswer(QMessageBox::Yes);  // accepted: the page goes into the file
        cmd(form, 3)->click();
        QCOMPARE(ui::MessageBox::takeShownMessages().size(), 1);
        QCOMPARE(asked, 1);
        QVERIFY(QFileInfo(pdf).size() > 0);
        QVERIFY(buttonsShown(form));
        const QString info = poppler(QStringLiteral("pdfinfo"), {pdf});
        if (!info.isEmpty())
            QVERIFY2(onePage(info), qPrintable(info));

        QVERIFY(QFile::remove(pdf));  // the file choice cancelled: nothing printed either
        draw::printing::seams().askPdfPath = [](QWidget *) { return QString(); };
        ui::MessageBox::setNextAnswer(QMessageBox::Yes);
        cmd(form, 3)->click();
        QCOMPARE(ui::MessageBox::takeShownMessages().size(), 1);
        QVERIFY(!QFileInfo::exists(pdf));
    }
};

QTEST_MAIN(TestDrawSheet)
#include "tst_drawsheet.moc"
