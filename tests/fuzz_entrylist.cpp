// libFuzzer target: any bytes as a list file (the fuzz preset; .ci/run seeds it from tests/data/fuzz_entrylist).

#include "lists/entrylist.h"
#include "platform/cp932.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace lists;

static void fail(const char *why)
{
    std::fprintf(stderr, "fuzz_entrylist: %s\n", why);
    std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // In memory where possible: a save flushes to the disk.
    static QTemporaryDir dir((QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath())
                             + QStringLiteral("/fuzz-XXXXXX"));
    const QString input = dir.filePath(QStringLiteral("TBNAME.DAT")),
                  output = dir.filePath(QStringLiteral("TBKEIHIN.DAT"));
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QFile f(input);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        fail("cannot write the input");
    f.close();
    EntryList rows;
    rows.fill(EntryRow{1, QStringLiteral("before")});
    if (LoadEntryList(input, rows))
        fail("loading a regular file failed");
    if (!f.open(QIODevice::ReadOnly) || f.readAll() != bytes)
        fail("loading changed the file");
    QList<int> unstorable;
    for (int i = 0; i < RowCount; ++i) {
        const EntryRow &row = rows[size_t(i)];
        if (row.tick < 0 || row.tick > 2)
            fail("a tick other than 0, 1 or 2");
        if (!platform::cp932::canEncode(row.text)
            || std::any_of(row.text.begin(), row.text.end(), [](QChar c) { return c < u' ' || c == u'\x7f'; }))
            unstorable.append(i);
    }
    // What was read saves and reads back unchanged, or is refused for exactly the rows it cannot store.
    const ListError saved = SaveEntryList(output, rows);
    EntryList again;
    if (saved ? saved.kind != ListError::Kind::Unencodable || saved.rows != unstorable
              : !unstorable.isEmpty() || LoadEntryList(output, again) || again != rows)
        fail("what was read did not save and read back unchanged, nor was refused for the right rows");
    return 0;
}
