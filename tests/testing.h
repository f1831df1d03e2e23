#pragma once
// Shared by the C++ tests: file helpers, list records, and cases needing a privilege or a tool.

#include "lists/entrylist.h"

#include <QDir>
#include <QFile>
#include <QtTest>

// A case that cannot run here says why; under CI, which provides everything, that is a failure.
#define REQUIRE_OR_SKIP(condition, why)                          \
    do {                                                         \
        if (!(condition)) {                                      \
            if (qgetenv("CI") == "true")                         \
                QFAIL("CI must be able to run this case: " why); \
            QSKIP(why);                                          \
        }                                                        \
    } while (false)

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// One record as the program writes it.
inline QByteArray record(int tick, const QByteArray &cp932Text = {})
{
    return QByteArray::number(tick) + ",\"" + cp932Text + "\"\r\n";
}

namespace lists {
inline char *toString(const EntryRow &row)
{
    return QTest::toString(QStringLiteral("{%1, \"%2\"}").arg(row.tick).arg(row.text));
}
}  // namespace lists
