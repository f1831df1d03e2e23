// Times of the list file operations on a full list of Japanese names: loading, saving
// (mostly the flush to the disk), and the code page conversion alone. Prints figures,
// asserts nothing. Run it in the folder to measure (the list is written to a temporary
// folder there, so that the disk is the one a real list would be on).
//   bench_entrylist [--tsv]     --tsv: key<TAB>median-in-ms lines, for bench/run's table

#include "bench/median.h"
#include "lists/entrylist.h"
#include "platform/cp932.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

bool g_tsv = false;

void report(const char *key, const char *what, int runs, const std::function<void()> &step)
{
    std::vector<double> us;
    us.reserve(size_t(runs));
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        step();
        us.push_back(double(t.nsecsElapsed()) / 1000.0);
    }
    if (g_tsv) {
        std::printf("%s\t%.4f\n", key, median(us) / 1000.0);
        return;
    }
    std::printf("%-44s median %10.1f us   min %10.1f us   (%d runs)\n", what, median(us),
                *std::min_element(us.begin(), us.end()), runs);
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    g_tsv = QCoreApplication::arguments().contains(QStringLiteral("--tsv"));
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench_entrylist-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a folder in %s\n", qPrintable(QDir::currentPath()));
        return 1;
    }
    const QString file = dir.filePath(QStringLiteral("TBNAME.DAT"));

    const QString names[] = {QStringLiteral("山田 太郎"), QStringLiteral("佐藤 花子"), QStringLiteral("髙橋 一郎"),
                             QStringLiteral("渡邊 さくら"), QStringLiteral("ﾀﾅｶ ｼﾞﾛｳ")};
    lists::EntryList rows;
    for (int i = 0; i < lists::RowCount; ++i)
        rows[size_t(i)] = lists::EntryRow{qint16(i % 3), names[i % 5] + QString::number(i + 1)};
    {
        // The encode table is built on first use.
        QElapsedTimer t;
        t.start();
        const bool ok = platform::cp932::encode(rows[0].text).has_value();
        if (g_tsv)
            std::printf("entrylist.first_encode_ms\t%.4f\n", double(t.nsecsElapsed()) / 1e6);
        else
            std::printf("%-44s %17.1f us\n", "first cp932::encode (builds its table)",
                        double(t.nsecsElapsed()) / 1000.0);
        if (!ok)
            return 1;
    }
    if (const lists::ListError e = lists::SaveEntryList(file, rows)) {
        std::fprintf(stderr, "%s\n", e.message.toLocal8Bit().constData());
        return 1;
    }

    report("entrylist.load_ms", "LoadEntryList, 40 Japanese names", 2000, [&] {
        lists::EntryList loaded;
        if (lists::LoadEntryList(file, loaded))
            std::abort();
    });
    report("entrylist.save_ms", "SaveEntryList, 40 Japanese names", 200, [&] {
        if (lists::SaveEntryList(file, rows))
            std::abort();
    });

    // Not a list at all: a gigabyte of zeros without a line end (a disk image renamed, say)
    // is given up on after a bounded read, not read to its end.
    const QString zeros = dir.filePath(QStringLiteral("zeros.dat"));
    {
        QFile f(zeros);
        if (!f.open(QIODevice::WriteOnly) || !f.resize(qint64(1) << 30))
            return 1;
    }
    report("entrylist.zeros_ms", "LoadEntryList, 1 GiB of zeros", 5, [&] {
        lists::EntryList loaded;
        if (lists::LoadEntryList(zeros, loaded))
            std::abort();
    });
    QFile::remove(zeros);

    QByteArray encoded[lists::RowCount];
    report("cp932.encode40_ms", "cp932::encode, 40 names", 20000, [&] {
        for (int i = 0; i < lists::RowCount; ++i)
            encoded[i] = *platform::cp932::encode(rows[size_t(i)].text);
    });
    report("cp932.decode40_ms", "cp932::decode, 40 names", 20000, [&] {
        for (int i = 0; i < lists::RowCount; ++i) {
            if (platform::cp932::decode(encoded[i]).isEmpty())
                std::abort();
        }
    });
    return 0;
}
