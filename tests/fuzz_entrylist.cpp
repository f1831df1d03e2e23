// libFuzzer target: any bytes as a list file. Loading must succeed without crashing or
// hanging and yield ticks 0, 1 or 2 only; what was loaded must save and read back
// unchanged unless it holds text that cannot be stored, which must be refused as such.
// Also: decoding code page 932 and encoding the result gives the same text back.
//
// Build and run (clang only; the build directory is separate from the normal one):
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLOTARIN_FUZZ=ON
//   cmake --build build-fuzz --target fuzz_entrylist
//   mkdir -p build-fuzz/corpus
//   build-fuzz/tests/fuzz_entrylist -max_total_time=30 -max_len=8192 build-fuzz/corpus tests/data/fuzz_entrylist

#include "lists/entrylist.h"
#include "platform/cp932.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_entrylist: %s\n", what);
    std::abort();
}

bool storable(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    return platform::cp932::canEncode(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // In memory where possible: every save flushes to the disk, and a real disk would
    // make that the whole cost of a run.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/fuzz_entrylist-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/fuzz_entrylist-XXXXXX"));
    if (!dir.isValid())
        fail("no temporary folder");
    const QString input = dir.filePath(QStringLiteral("TBNAME.DAT"));
    const QString output = dir.filePath(QStringLiteral("TBKEIHIN.DAT"));
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    const QString decoded = platform::cp932::decode(bytes);
    if (const std::optional<QByteArray> encoded = platform::cp932::encode(decoded)) {
        if (platform::cp932::decode(*encoded) != decoded)
            fail("decode(encode(decode(x))) != decode(x)");
    }

    {
        QFile f(input);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes.data(), bytes.size()) != bytes.size())
            fail("cannot write the input file");
    }

    lists::EntryList rows;
    for (lists::EntryRow &row : rows)
        row = lists::EntryRow{1, QStringLiteral("before")};
    if (const lists::ListError e = lists::LoadEntryList(input, rows))
        fail("loading a regular file failed");
    QList<int> unstorable;
    for (int i = 0; i < lists::RowCount; ++i) {
        const lists::EntryRow &row = rows[size_t(i)];
        if (row.tick < 0 || row.tick > 2)
            fail("tick outside 0 to 2");
        if (!storable(row.text))
            unstorable.append(i);
    }

    const lists::ListError saved = lists::SaveEntryList(output, rows);
    if (!unstorable.isEmpty()) {
        if (saved.kind != lists::ListError::Kind::Unencodable || saved.rows != unstorable)
            fail("unstorable text was not refused with its rows");
        return 0;
    }
    if (saved)
        fail("saving storable rows failed");
    lists::EntryList again;
    if (lists::LoadEntryList(output, again))
        fail("reading the saved file failed");
    if (again != rows)
        fail("the saved rows do not read back unchanged");
    return 0;
}
