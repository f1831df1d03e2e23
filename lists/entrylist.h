#pragma once
// The list files, TBNAME.DAT (participants) and TBKEIHIN.DAT (prizes): one record per row,
// 40 records, each
//     <tick value in decimal>,"<text in code page 932>" CR LF
// for example 31 2C 22 41 42 43 22 0D 0A for a ticked row "ABC"; a list of 40 unticked
// empty rows is 240 bytes. The text is written unchanged, without escaping.
//
// Reading a file this program did not write (edited by hand, damaged, no list at all)
// never fails because of its contents:
// - A record is a line. A line ends with LF; a CR right before the LF is dropped, so CR LF
//   and LF alone both work. A last line without a line end is a record too.
// - A blank line is a record: an unticked row with empty text, so that the rows after it
//   stay at their numbers.
// - Reading ends after the 40th record or at the end of the file. Of a line longer than
//   MaxRecordBytes, the first MaxRecordBytes are its record, less a character of the file's
//   encoding they would cut in two, and the rest is skipped; a line that goes on for more
//   than MaxSkippedBytes (no list at all) ends the reading. Rows without a record keep what
//   they held.
// - Tick value: the bytes before the first comma (the whole line if it has none), with
//   surrounding white space ignored, read as a decimal integer with an optional sign.
//   1 and 2 are kept; anything else (0, negative or larger numbers, no digits, other
//   characters) reads as 0.
// - Text: the bytes after the first comma. If they start with a double quote (after any
//   spaces or tabs), the text runs from that quote to the last double quote of the line,
//   exclusive (to the end of the line if there is no other), so a text holding double
//   quotes reads back whole; bytes after the closing quote are ignored. Otherwise the text
//   is the rest of the line unchanged. A line without a comma has an empty text.
// - Text is code page 932, unless the file is UTF-8: it starts with the byte order mark, or
//   its records are valid UTF-8, hold more than ASCII and are not valid code page 932 (as
//   spreadsheets save "CSV UTF-8"). Saving always writes code page 932, so a saved list
//   always reads back as it was written.
// - Bytes that are not valid code page 932 read as U+FFFD, one per bad byte or pair.

#include "platform/fileio.h"

#include <QList>
#include <QString>
#include <QtGlobal>

#include <array>

namespace lists {

constexpr int RowCount = 40;
// Longest record read from a line: names of over a hundred thousand characters.
constexpr qsizetype MaxRecordBytes = 256 * 1024;
// How far a line too long to be a record is skipped in search of the next one.
constexpr qsizetype MaxSkippedBytes = 64 * 1024 * 1024;

struct EntryRow {
    qint16 tick = 0;  // 0 unticked, 1 ticked, 2 greyed
    QString text;

    friend bool operator==(const EntryRow &a, const EntryRow &b) { return a.tick == b.tick && a.text == b.text; }
    friend bool operator!=(const EntryRow &a, const EntryRow &b) { return !(a == b); }
};
using EntryList = std::array<EntryRow, RowCount>;

// The outcome of a load or save; an empty kind means success.
struct ListError {
    enum class Kind { None, Io, Unencodable, TooLong } kind = Kind::None;
    QString message;  // Japanese, names the file and the reason, ready for a message box
    QList<int> rows;  // Unencodable, TooLong: the rows (0-based) whose names cannot be stored

    explicit operator bool() const { return kind != Kind::None; }  // true == failed
};

// Creates the file empty if it is missing, then reads its records into rows 0, 1, ...
// Rows without a record keep their state. On failure `rows` is left exactly as it was and
// no file is changed.
ListError LoadEntryList(const QString &fileName, EntryList &rows);

// Replaces the file's contents with the 40 rows. The old file stays complete until the
// new one is complete on the disk: a failure, a crash or a power cut leaves one or the
// other, never a mixture.
// A text holding a character that code page 932 lacks, or a control character (U+0000 to
// U+001F, U+007F: a CR or LF would split the record), cannot be stored: then nothing is
// written at all and the error lists every such row. So is a name whose record would be
// longer than MaxRecordBytes, which the reader would cut. Such text is refused rather than
// changed, so that what is saved is always what the window showed and reads back exactly.
ListError SaveEntryList(const QString &fileName, const EntryList &rows);

// The message for a save of `fileName` that the system refused with `error`, as a failed list save
// shows it: the file and the reason, in Japanese.
QString saveFailureMessage(const QString &fileName, const platform::FileError &error);

}  // namespace lists
