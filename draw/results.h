#pragma once
// The draw sheet's results as a table for a spreadsheet, without widgets: one line per listed
// participant, in sheet order, with the row's number, the name and the result as the sheet shows
// them, and whether the row won (as its colour says). Lotarin stores none of it by itself: the
// table goes out only when the user copies or saves it.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace draw::results {

struct Row {
    int number = 0;  // the row's number on the sheet, 1 to 40
    QString name;
    QString result;  // "？？？？？" before the draw, a prize or "はずれ" after it
    bool won = false;

    friend bool operator==(const Row &a, const Row &b)
    {
        return a.number == b.number && a.name == b.name && a.result == b.result && a.won == b.won;
    }
    friend bool operator!=(const Row &a, const Row &b) { return !(a == b); }
};
using Table = QList<Row>;

// The clipboard's plain text: a header line, then one line per row, fields separated by tabs,
// lines by LF (the clipboard of Windows turns them into CR LF).
QString tabSeparated(const Table &table);

// The same table as HTML, which spreadsheets prefer when pasting: every cell held as text
// (a name such as "1-2" stays a name, not a date), winners in red as on the sheet.
QString html(const Table &table);

// The CSV file: UTF-8 with the byte order mark (Excel on a Japanese Windows reads anything
// else as code page 932), CR LF line ends, a field in double quotes where it holds a comma,
// a quote or a line break.
QByteArray csv(const Table &table);

// The name the save dialog suggests: 抽選結果_2026-12-07_1905.csv.
QString suggestedFileName(const QDateTime &when);

// Writes the CSV to `path` whole or not at all, as a list is saved; an existing file is
// replaced only if it may be written. Empty on success, else the message in Japanese naming
// the file and the reason.
QString saveCsv(const QString &path, const Table &table);

}  // namespace draw::results
