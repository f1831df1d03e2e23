// How long the draw sheet takes to open with 40 participants (build its 123 controls,
// SheetSetup, show) and to draw all 40 rows (抽選). Prints medians; asserts nothing.
// Targets: under 20 ms to open, under 1 ms to draw.
//
//   bench_drawsheet [--tsv] [--spool N] [runs [printRuns]]
//   bench_drawsheet [--tsv] --view N
//
// --tsv: print key<TAB>median-in-ms lines instead, for bench/run's table.
// --view N: instead, the room's view: from F11 on a drawn sheet of 40 participants with long
// names and long prizes to the full-screen view drawn, N times (and once before, unmeasured,
// which builds what the first opening builds). Target: under 100 ms on an X server.
// --spool N: also print the drawn sheet N times (after one unmeasured print) on the default
// printer, through the program's own print code as "印刷" does, timing how long the press
// takes to hand the page to the print service. Only for a machine whose default printer
// is a PDF queue (bench/run checks); without a printer the figure is reported as missing.
// runs: default 50; printRuns: how many of them also print into a PDF file, default 5. The list files go into a new
// temporary folder. Offscreen unless QT_QPA_PLATFORM is set.

#include "bench/median.h"
#include "draw/printsheet.h"
#include "draw/tombalform.h"
#include "lists/entrylist.h"
#include "lists/listforms.h"
#include "shell/shell.h"
#include "ui/fonts.h"
#include "ui/messagebox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPrinter>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The offscreen platform warns at every show that it cannot raise windows; writing that
// out would be timed too.
QtMessageHandler g_previousHandler = nullptr;
void dropRaiseWarning(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QStringLiteral("does not support raise()")))
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

double ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// One press of "印刷", timed. A failure's message box is answered so that it cannot block
// the run; its text goes to `failure` (empty after a good print).
double timedPrint(draw::TombalForm &sheet, QString &failure)
{
    ui::MessageBox::setNextAnswer(QMessageBox::Ok);
    QElapsedTimer t;
    t.start();
    sheet.Command3_Click();
    const double taken = ms(t);
    const QStringList shown = ui::MessageBox::takeShownMessages();
    ui::MessageBox::reset();
    failure = shown.isEmpty() ? QString() : shown.first();
    return taken;
}

lists::EntryList fullList(const QString &prefix)
{
    lists::EntryList rows;
    for (int r = 0; r < lists::RowCount; ++r)
        rows[std::size_t(r)] = {1, prefix + QString::number(r + 1).rightJustified(6, QLatin1Char('0'))};
    return rows;
}

// Counts the paints of a window.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// From F11 on the sheet to the view painted, then closed with Esc; -1 if it never showed.
double timedRoomView(draw::TombalForm &sheet)
{
    QElapsedTimer t;
    t.start();
    QKeyEvent f11(QEvent::KeyPress, Qt::Key_F11, Qt::NoModifier);
    QApplication::sendEvent(sheet.button(QStringLiteral("Command1")), &f11);
    draw::RoomView *view = sheet.roomView();
    if (!view)
        return -1;
    PaintCounter counter;
    view->installEventFilter(&counter);
    while (counter.paints == 0 && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double taken = counter.paints ? ms(t) : -1;
    view->removeEventFilter(&counter);
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(view, &esc);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    return taken;
}

// 40 participants with long names, 40 long prizes: the view's letters are the hardest to fit.
int roomViewBench(shell::Shell &shell, int runs, bool tsv)
{
    lists::EntryList people, prizes;
    for (int r = 0; r < lists::RowCount; ++r) {
        const QString n = QString::number(r + 1);
        people[std::size_t(r)] = {1, QStringLiteral("株式会社ロタリン 営業本部 第%1営業部 課長代理 山田太郎").arg(n)};
        prizes[std::size_t(r)] = {1, QStringLiteral("特賞 温泉旅行ペア宿泊券（%1泊2日、夕食朝食付き）").arg(n)};
    }
    if (lists::SaveEntryList(QString::fromLatin1(lists::SankaForm::FileName), people)
        || lists::SaveEntryList(QString::fromLatin1(lists::KehinForm::FileName), prizes))
        return 1;
    if (!shell.drawSheet().show())
        return 1;
    draw::TombalForm *sheet = shell.drawSheet().loaded();
    sheet->Command1_Click();
    std::vector<double> times;
    double first = 0;
    for (int i = 0; i <= runs; ++i) {
        const double taken = timedRoomView(*sheet);
        if (taken < 0)
            return 1;
        if (i == 0)
            first = taken;
        else
            times.push_back(taken);
    }
    if (tsv)
        std::printf("view.runs\t%d\nview.first_ms\t%.4f\nview.open_ms\t%.4f\n", runs, first, median(times));
    else
        std::printf("room's view, 40 long names, %d runs (medians)\n  first F11 to drawn: %8.3f ms\n"
                    "  F11 to drawn:       %8.3f ms   target < 100 ms\n",
                    runs, first, median(times));
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_previousHandler = qInstallMessageHandler(dropRaiseWarning);
    ui::installFontSubstitutions();
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool tsv = args.removeAll(QStringLiteral("--tsv")) > 0;
    int spoolRuns = 0;
    if (const qsizetype at = args.indexOf(QStringLiteral("--spool")); at >= 0 && at + 1 < args.size()) {
        spoolRuns = std::max(0, args[at + 1].toInt());
        args.remove(at, 2);
    }
    int viewRuns = 0;
    if (const qsizetype at = args.indexOf(QStringLiteral("--view")); at >= 0 && at + 1 < args.size()) {
        viewRuns = std::max(1, args[at + 1].toInt());
        args.remove(at, 2);
    }
    const int runs = args.size() > 0 ? std::max(1, args[0].toInt()) : 50;
    const int printRuns = args.size() > 1 ? std::max(0, args[1].toInt()) : 5;

    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        return 1;
    if (lists::SaveEntryList(QString::fromLatin1(lists::SankaForm::FileName), fullList(QStringLiteral("山田太郎")))
        || lists::SaveEntryList(QString::fromLatin1(lists::KehinForm::FileName), fullList(QStringLiteral("景品"))))
        return 1;

    shell::Shell shell;
    // Keeps the program from ending when the sheet, its only window, is unloaded.
    shell.mainMenu().show();
    if (viewRuns > 0)
        return roomViewBench(shell, viewRuns, tsv);

    std::vector<double> open, load, draw, print;
    double firstOpen = 0;
    const QString pdf = dir.filePath(QStringLiteral("sheet.pdf"));
    auto &seams = draw::printing::seams();
    seams.defaultPrinter = [] { return QStringLiteral("bench"); };
    seams.configure = [&pdf](QPrinter &printer, const draw::printing::Target &) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    };
    seams.queueState = [](const QString &) { return platform::QueueState::Ready; };  // no queue: a file

    for (int i = 0; i <= runs; ++i) {
        // Built and prepared, not shown.
        QElapsedTimer t;
        t.start();
        if (!shell.drawSheet().get())
            return 1;
        const double loaded = ms(t);
        shell.drawSheet().unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        // As "開始" opens it: built, prepared, shown and painted once.
        t.restart();
        if (!shell.drawSheet().show())
            return 1;
        QCoreApplication::processEvents();
        const double opened = ms(t);
        draw::TombalForm *sheet = shell.drawSheet().loaded();
        if (sheet->sheet().entryCount() != 40)
            return 1;

        t.restart();
        sheet->Command1_Click();
        const double drawn = ms(t);
        if (sheet->lastDraw().drawn != 40)
            return 1;

        // Printing takes far longer than the rest; a few runs are enough for it.
        double printed = -1;
        if (i <= printRuns) {
            QString failure;
            printed = timedPrint(*sheet, failure);
            if (!failure.isEmpty()) {
                std::fprintf(stderr, "printing to a file failed: %s\n", qPrintable(failure));
                return 1;
            }
        }

        shell.drawSheet().unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (i == 0) {
            firstOpen = loaded;  // includes loading the participant window from its file
            continue;
        }
        load.push_back(loaded);
        open.push_back(opened);
        draw.push_back(drawn);
        if (printed >= 0)
            print.push_back(printed);
    }
    draw::printing::reset();

    // Printing on the default printer, as the program does it.
    std::vector<double> spool;
    QString spoolPrinter;
    bool spoolFailed = false;
    if (spoolRuns > 0) {
        spoolPrinter = draw::printing::seams().defaultPrinter();
        if (!spoolPrinter.isEmpty()) {
            if (!shell.drawSheet().show())
                return 1;
            QCoreApplication::processEvents();
            draw::TombalForm *sheet = shell.drawSheet().loaded();
            sheet->Command1_Click();
            // The print service names its jobs after the sheet's title: this one tells the
            // benchmark's pages from anyone else's.
            sheet->setWindowTitle(QStringLiteral("lotarin-bench"));
            for (int i = 0; i <= spoolRuns && !spoolFailed; ++i) {
                QString failure;
                const double spooled = timedPrint(*sheet, failure);
                spoolFailed = !failure.isEmpty();
                if (i > 0)  // the first print also sets up the print service's client
                    spool.push_back(spooled);
            }
            shell.drawSheet().unload();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    if (tsv) {
        std::printf("drawsheet.runs\t%d\n", runs);
        std::printf("drawsheet.first_load_ms\t%.4f\n", firstOpen);
        std::printf("drawsheet.load_ms\t%.4f\n", median(load));
        std::printf("drawsheet.open_ms\t%.4f\n", median(open));
        std::printf("drawsheet.draw_ms\t%.4f\n", median(draw));
        std::printf("drawsheet.print_pdf_ms\t%.4f\n", median(print));
        if (spoolRuns > 0) {
            if (spoolFailed)
                std::printf("print.spool_ms\tfailed\n");
            else if (spool.empty())
                std::printf("print.spool_ms\tn/a\n");
            else
                std::printf("print.spool_ms\t%.4f\nprint.spool_runs\t%d\nprint.spool_jobs\t%d\n", median(spool),
                            int(spool.size()), int(spool.size()) + 1);
        }
        return 0;
    }
    std::printf("draw sheet, 40 participants, %d runs (medians)\n", runs);
    std::printf("  first load (participant window read from its file too): %8.3f ms\n", firstOpen);
    std::printf("  load (build + SheetSetup, hidden):                      %8.3f ms\n", median(load));
    std::printf("  open (build + SheetSetup + show + first paint):         %8.3f ms   target < 20 ms\n", median(open));
    std::printf("  draw (抽選, 40 rows):                                   %8.3f ms   target < 1 ms\n", median(draw));
    std::printf("  print (one page into a PDF file, %d runs):               %8.3f ms\n", int(print.size()),
                median(print));
    if (spoolRuns > 0) {
        if (spoolFailed)
            std::printf("  print on the default printer: failed\n");
        else if (spool.empty())
            std::printf("  print on the default printer: none (no printer)\n");
        else
            std::printf("  print on %-20s (spooled, %d runs):   %8.3f ms\n", qPrintable(spoolPrinter),
                        int(spool.size()), median(spool));
    }
    return 0;
}
