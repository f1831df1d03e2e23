// libFuzzer target: any bytes as a list file; what must hold is in listcheck.h. Built by
// the fuzz preset (clang); .ci/run fuzzes for two minutes from tests/data/fuzz_entrylist.

#include "tests/listcheck.h"

#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // In memory where possible: every save flushes to the disk.
    static QTemporaryDir dir((QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath())
                             + QStringLiteral("/fuzz-XXXXXX"));
    const QString why =
        listFileHolds(dir.path(), QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!why.isEmpty()) {
        std::fprintf(stderr, "fuzz_entrylist: %s\n", qPrintable(why));
        std::abort();
    }
    return 0;
}
