#pragma once
// What must hold for any bytes read as a list file (the fuzzer's and tst_lists' seeded loop): what went wrong, or
// nothing.

#include "lists/entrylist.h"
#include "platform/cp932.h"

#include <QDir>
#include <QFile>

inline QString listFileHolds(const QString &dir, QByteArrayView bytes)
{
    const QString input = dir + QStringLiteral("/TBNAME.DAT"), output = dir + QStringLiteral("/TBKEIHIN.DAT");
    QFile f(input);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes.data(), bytes.size()) != bytes.size())
        return QStringLiteral("cannot write the input");
    f.close();
    lists::EntryList rows;
    rows.fill(lists::EntryRow{1, QStringLiteral("before")});
    if (lists::LoadEntryList(input, rows))
        return QStringLiteral("loading a regular file failed");
    if (!f.open(QIODevice::ReadOnly) || f.readAll() != bytes)
        return QStringLiteral("loading changed the file");
    QList<int> unstorable;
    for (int i = 0; i < lists::RowCount; ++i) {
        const lists::EntryRow &row = rows[size_t(i)];
        if (row.tick < 0 || row.tick > 2)
            return QStringLiteral("row %1: tick %2").arg(i + 1).arg(row.tick);
        if (!platform::cp932::canEncode(row.text)
            || std::any_of(row.text.begin(), row.text.end(), [](QChar c) { return c < u' ' || c == u'\x7f'; }))
            unstorable.append(i);
    }
    // What was read saves and reads back unchanged, unless it cannot be stored: then it is refused.
    const lists::ListError saved = lists::SaveEntryList(output, rows);
    if (saved)
        return saved.kind == lists::ListError::Kind::Unencodable && saved.rows == unstorable
                   ? QString()
                   : QStringLiteral("refused rows %1: %2").arg(saved.rows.size()).arg(saved.message);
    if (!unstorable.isEmpty())
        return QStringLiteral("unstorable text was written");
    lists::EntryList again;
    if (lists::LoadEntryList(output, again) || again != rows)
        return QStringLiteral("the saved rows do not read back unchanged");
    return {};
}
