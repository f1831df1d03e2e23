// How long a list window takes to open (build its 127 controls, read a full list file,
// show) and to save (設定: write the 40 rows, unload). Prints medians; asserts nothing.
//
//   bench_listwindow [--tsv] [runs [folder]]
//
// --tsv: print key<TAB>median-in-ms lines instead, for bench/run's table.
// runs: default 50. folder: where the list files go, default a new temporary folder (on
// /dev/shm the disk's flush drops out of the figures). Offscreen unless QT_QPA_PLATFORM is set.

#include "bench/median.h"
#include "lists/listforms.h"
#include "shell/shell.h"
#include "ui/fonts.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Figures {
    std::vector<double> open, collect, fileSave, save;
};

// 40 rows, most ticked, some greyed, with names of ten characters: 山田太郎 (two bytes each
// in code page 932) and six digits.
QByteArray fullListFile()
{
    static const QByteArray yamadaTaro("\x8E\x52\x93\x63\x91\xBE\x98\x59");
    QByteArray out;
    for (int r = 0; r < lists::RowCount; ++r)
        out += QByteArray::number(r % 3 == 2 ? 2 : 1) + ",\"" + yamadaTaro
               + QByteArray::number(r).rightJustified(6, '0') + "\"\r\n";
    return out;
}

template <class W>
bool measure(shell::WindowSlot<W> &slot, const QString &fileName, int runs, Figures &fig)
{
    const QByteArray contents = fullListFile();
    for (int i = 0; i < runs; ++i) {
        QFile f(fileName);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(contents) != contents.size())
            return false;
        f.close();

        QElapsedTimer t;
        t.start();
        if (!slot.show())
            return false;
        QCoreApplication::processEvents();  // the first expose and paint
        fig.open.push_back(double(t.nsecsElapsed()) / 1e6);

        // The parts of a save: reading the rows off the controls, writing the file.
        W *w = slot.loaded();
        t.restart();
        const lists::EntryList rows = w->rows();
        fig.collect.push_back(double(t.nsecsElapsed()) / 1e6);
        t.restart();
        if (lists::SaveEntryList(fileName, rows))
            return false;
        fig.fileSave.push_back(double(t.nsecsElapsed()) / 1e6);

        t.restart();
        w->Cmd_Settei_Click();
        fig.save.push_back(double(t.nsecsElapsed()) / 1e6);
        if (slot.loaded())
            return false;  // the save failed and the window stayed open
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

void line(const char *window, const char *what, const std::vector<double> &v, const char *target)
{
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    std::printf("%-10s %-28s median %7.3f ms  (min %7.3f, max %7.3f)%s\n", window, what, median(v), *lo, *hi, target);
}

void printTsv(const char *key, const Figures &fig)
{
    std::printf("%s.open_ms\t%.4f\n", key, median(fig.open));
    std::printf("%s.save_ms\t%.4f\n", key, median(fig.save));
    std::printf("%s.save_rows_ms\t%.4f\n", key, median(fig.collect));
    std::printf("%s.save_file_ms\t%.4f\n", key, median(fig.fileSave));
}

void print(const char *window, const Figures &fig)
{
    line(window, "open (build, load, show)", fig.open, "  target < 20 ms");
    line(window, "save (Cmd_Settei_Click)", fig.save, "  target < 2 ms");
    line(window, "  of which: rows off screen", fig.collect, "");
    line(window, "  of which: SaveEntryList", fig.fileSave, "");
}

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ui::installFontSubstitutions();
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool tsv = args.removeAll(QStringLiteral("--tsv")) > 0;
    const int runs = args.size() > 0 ? std::max(1, args[0].toInt()) : 50;

    const QString base = args.size() > 1 ? args[1] : QDir::tempPath();
    QTemporaryDir dir(base + QStringLiteral("/bench_listwindow-XXXXXX"));
    if (!dir.isValid() || !QDir::setCurrent(dir.path())) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    shell::Shell shell;
    // One unmeasured round first: fonts, styles and the platform window get set up once per process.
    Figures warmUp, sanka, kehin;
    if (!measure(shell.participantList(), QString::fromLatin1(lists::SankaForm::FileName), 1, warmUp)
        || !measure(shell.participantList(), QString::fromLatin1(lists::SankaForm::FileName), runs, sanka)
        || !measure(shell.prizeList(), QString::fromLatin1(lists::KehinForm::FileName), runs, kehin)) {
        std::fprintf(stderr, "a list window failed to open or to save\n");
        return 1;
    }
    if (tsv) {
        std::printf("listwindow.runs\t%d\n", runs);
        printTsv("sanka", sanka);
        printTsv("kehin", kehin);
        return 0;
    }
    std::printf("list windows, %d runs each, folder %s\n", runs, qPrintable(dir.path()));
    print("SankaForm", sanka);
    print("KehinForm", kehin);
    return 0;
}
