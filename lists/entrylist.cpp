#include "lists/entrylist.h"

#include "platform/cp932.h"
#include "platform/fileio.h"

#include <QByteArray>
#include <QDir>
#include <QStringList>
#include <QUtf8StringView>

#include <algorithm>
#include <cstring>

namespace lists {
namespace {

// ---- Messages ----------------------------------------------------------------------

enum class Operation { Load, Save };

QString reasonText(platform::FileError::Kind kind)
{
    using K = platform::FileError::Kind;
    switch (kind) {
    case K::AccessDenied:
        return QStringLiteral("アクセスが拒否されました");
    case K::ReadOnlyFile:
        return QStringLiteral("ファイルが読み取り専用になっています");
    case K::DiskFull:
        return QStringLiteral("ディスクの空き容量が不足しています");
    case K::IsDirectory:
        return QStringLiteral("この名前はファイルではなくフォルダーです");
    case K::NotFound:
        return QStringLiteral("ファイルの場所が見つかりません");
    case K::ReadOnlyMedia:
        return QStringLiteral("ディスクが書き込み禁止になっています");
    case K::InUse:
        return QStringLiteral("ほかのプログラムがファイルを使用しています");
    case K::NameTooLong:
        return QStringLiteral("ファイル名が長すぎます");
    case K::DeviceError:
        return QStringLiteral("ディスクの読み書きに失敗しました");
    case K::None:
    case K::Other:
        break;
    }
    return QStringLiteral("予期しないエラーが発生しました");
}

QString failureHeadline(Operation op, const QString &fileName)
{
    const QString name = QDir::toNativeSeparators(fileName);
    return op == Operation::Load ? QStringLiteral("「%1」を読み込めませんでした。").arg(name)
                                 : QStringLiteral("「%1」に保存できませんでした。").arg(name);
}

QString ioMessage(Operation op, const QString &fileName, const platform::FileError &e)
{
    QString message = failureHeadline(op, fileName) + u'\n' + reasonText(e.kind) + u'。';
    if (!e.systemMessage.isEmpty())
        message += QStringLiteral("（%1）").arg(e.systemMessage);
    return message;
}

ListError ioError(Operation op, const QString &fileName, const platform::FileError &e)
{
    ListError err;
    err.kind = ListError::Kind::Io;
    err.message = ioMessage(op, fileName, e);
    return err;
}

// How a character that cannot be stored is shown: itself where it is visible, else its
// code point.
QString describeCharacter(char32_t cp)
{
    const bool invisible = cp < 0x20 || cp == 0x7F || (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFD;
    if (invisible)
        return QStringLiteral("U+%1").arg(QString::number(uint(cp), 16).toUpper().rightJustified(4, u'0'));
    return QString::fromUcs4(&cp, 1);
}

constexpr int kMaxCharactersShown = 10;

ListError unencodableError(const QString &fileName, const QList<int> &rows, const QList<char32_t> &characters)
{
    QStringList rowNumbers;
    for (int row : rows)
        rowNumbers.append(QString::number(row + 1));
    QStringList shown;
    for (qsizetype i = 0; i < characters.size() && i < kMaxCharactersShown; ++i)
        shown.append(describeCharacter(characters[i]));
    if (characters.size() > kMaxCharactersShown)
        shown.append(QStringLiteral("…"));

    ListError err;
    err.kind = ListError::Kind::Unencodable;
    err.rows = rows;
    err.message = failureHeadline(Operation::Save, fileName) + u'\n'
                  + QStringLiteral("%1 行目に、ファイルに保存できない文字（%2）が含まれています。")
                        .arg(rowNumbers.join(QStringLiteral(", ")), shown.join(u'、'))
                  + u'\n' + QStringLiteral("その文字を書き直してから、もう一度保存してください。");
    return err;
}

ListError tooLongError(const QString &fileName, const QList<int> &rows)
{
    QStringList rowNumbers;
    for (int row : rows)
        rowNumbers.append(QString::number(row + 1));
    // A record holds the tick, a comma and two quotes besides the name; a full-width
    // character is two bytes.
    const qsizetype tenThousands = (MaxRecordBytes - 4) / 10000;
    ListError err;
    err.kind = ListError::Kind::TooLong;
    err.rows = rows;
    err.message = failureHeadline(Operation::Save, fileName) + u'\n'
                  + QStringLiteral("%1 行目の名前が長すぎて、ファイルに保存できません（保存できる名前の長さは、"
                                   "半角で約 %2 万文字、全角で約 %3 万文字までです）。")
                        .arg(rowNumbers.join(QStringLiteral(", ")))
                        .arg(tenThousands)
                        .arg(tenThousands / 2)
                  + u'\n' + QStringLiteral("名前を短くしてから、もう一度保存してください。");
    return err;
}

// ---- Reading -----------------------------------------------------------------------

constexpr qint64 kReadChunk = 64 * 1024;

// Splits the file into lines, holding at most one chunk and one line in memory.
class LineReader {
public:
    enum class Status { Line, End, Failed };

    explicit LineReader(platform::FileReader &file) : m_file(file), m_buffer(kReadChunk, Qt::Uninitialized) {}

    // The next line without its line end; of a line longer than MaxRecordBytes, its first
    // MaxRecordBytes + 1 bytes, to be cut once the file's encoding is known (cutRecords()).
    Status next(QByteArray &line)
    {
        line.clear();
        if (m_exhausted)
            return Status::End;
        bool gotBytes = false;
        qsizetype skipped = 0;  // of a line too long to keep whole
        for (;;) {
            if (m_pos == m_length) {
                const qint64 n = m_file.read(m_buffer.data(), m_buffer.size());
                if (n < 0)
                    return Status::Failed;
                if (n == 0) {
                    m_exhausted = true;
                    if (!gotBytes)
                        return Status::End;
                    break;  // a last line without a line end
                }
                m_pos = 0;
                m_length = qsizetype(n);
            }
            gotBytes = true;
            const char *begin = m_buffer.constData() + m_pos;
            const qsizetype available = m_length - m_pos;
            const auto *lf = static_cast<const char *>(std::memchr(begin, '\n', size_t(available)));
            const qsizetype take = lf ? qsizetype(lf - begin) : available;
            // One byte more than a record may hold, for the CR of a CR LF.
            const qsizetype room = std::min(take, MaxRecordBytes + 1 - line.size());
            line.append(begin, room);
            skipped += take - room;
            m_pos += lf ? take + 1 : take;
            if (lf)
                break;
            if (skipped > MaxSkippedBytes) {  // no list at all, a gigabyte of zeros say
                m_exhausted = true;
                break;
            }
        }
        if (line.endsWith('\r'))
            line.chop(1);
        return Status::Line;
    }

private:
    platform::FileReader &m_file;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qsizetype m_length = 0;
    bool m_exhausted = false;
};

QString fromUtf8(QByteArrayView bytes)
{
    return QString::fromUtf8(bytes);
}

// How much of a record the reader left one byte over the limit is kept: MaxRecordBytes, less
// the start of a character the limit cuts in two, so that half a character neither ends the
// name as "�" nor decides which encoding the list is read in.
qsizetype keptBytes(QByteArrayView record, bool utf8)
{
    if (record.size() <= MaxRecordBytes)
        return record.size();
    qsizetype end = MaxRecordBytes;
    if (utf8) {
        // Back over the continuation bytes (10xxxxxx) to the lead byte of the character.
        while (end > MaxRecordBytes - 3 && (uchar(record[end]) & 0xC0) == 0x80)
            --end;
        return uchar(record[end]) >= 0xC0 ? end : MaxRecordBytes;
    }
    return platform::cp932::splitsCharacter(record, end) ? end - 1 : end;
}

void cutRecords(QList<QByteArray> &records, bool utf8)
{
    for (QByteArray &record : records)
        record.truncate(keptBytes(record, utf8));
}

// Records in UTF-8 without the byte order mark: valid UTF-8, holding more than ASCII and not
// valid code page 932. The last condition keeps every list this program wrote, always valid
// code page 932, reading back as written: half-width kana pairs such as ﾃｨ (C3 A8) are valid
// UTF-8 too. A record too long is judged, in either encoding, on what would be kept of it.
bool lookLikeUtf8(const QList<QByteArray> &records)
{
    bool beyondAscii = false, cp932 = true;
    for (const QByteArray &record : records) {
        const QByteArrayView kept = QByteArrayView(record).first(keptBytes(record, true));
        if (!QUtf8StringView(kept).isValidUtf8())
            return false;
        if (std::none_of(kept.begin(), kept.end(), [](char c) { return c & 0x80; }))
            continue;  // plain ASCII reads alike either way
        beyondAscii = true;
        const QByteArrayView keptAsCp932 = QByteArrayView(record).first(keptBytes(record, false));
        cp932 = cp932 && !platform::cp932::decode(keptAsCp932).contains(QChar::ReplacementCharacter);
    }
    return beyondAscii && !cp932;
}

// A list saved as UTF-8 (Excel's "CSV UTF-8", LibreOffice's default): it starts with the
// byte order mark, or its records look like UTF-8. Cuts the records the reader left too
// long on a whole character of the encoding chosen, and takes the mark off the first.
bool readAsUtf8(QList<QByteArray> &records)
{
    const bool mark = !records.isEmpty() && records.first().startsWith("\xEF\xBB\xBF");
    const bool utf8 = mark || lookLikeUtf8(records);
    cutRecords(records, utf8);
    if (mark)
        records.first().remove(0, 3);
    return utf8;
}

qint16 parseTick(const QByteArray &field)
{
    const QByteArray digits = field.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (!digits.isEmpty() && (digits[0] == '+' || digits[0] == '-')) {
        negative = digits[0] == '-';
        ++i;
    }
    if (i == digits.size())
        return 0;
    // Only 1 and 2 matter, so the value stops growing at 10: no overflow, however long.
    int value = 0;
    for (; i < digits.size(); ++i) {
        const char c = digits[i];
        if (c < '0' || c > '9')
            return 0;
        if (value < 10)
            value = value * 10 + (c - '0');
    }
    if (negative || (value != 1 && value != 2))
        return 0;
    return qint16(value);
}

EntryRow parseRecord(const QByteArray &line, QString (*decode)(QByteArrayView))
{
    EntryRow row;
    const qsizetype comma = line.indexOf(',');
    if (comma < 0) {
        row.tick = parseTick(line);
        return row;
    }
    row.tick = parseTick(line.first(comma));
    const QByteArrayView rest = QByteArrayView(line).sliced(comma + 1);
    qsizetype open = 0;
    while (open < rest.size() && (rest[open] == ' ' || rest[open] == '\t'))
        ++open;
    if (open < rest.size() && rest[open] == '"') {
        // Code page 932 never uses 0x22 as a trail byte, so the byte search is safe.
        qsizetype close = rest.size() - 1;
        while (close > open && rest[close] != '"')
            --close;
        const QByteArrayView inner = close > open ? rest.sliced(open + 1, close - open - 1) : rest.sliced(open + 1);
        row.text = decode(inner);
    } else {
        row.text = decode(rest);
    }
    return row;
}

// ---- Writing -----------------------------------------------------------------------

bool isControl(char16_t ch)
{
    return ch < 0x20 || ch == 0x7F;
}

// Adds the characters of `text` that cannot be stored, in the order they appear.
void appendUnstorable(QStringView text, QList<char32_t> &characters)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        const QStringView one = text.sliced(i, length);
        i += length - 1;
        const bool storable = !isControl(one[0].unicode()) && platform::cp932::canEncode(one);
        if (storable)
            continue;
        const char32_t cp = length == 2 ? QChar::surrogateToUcs4(one[0], one[1]) : one[0].unicode();
        if (!characters.contains(cp))
            characters.append(cp);
    }
}

bool hasControl(QStringView text)
{
    for (const QChar qc : text) {
        if (isControl(qc.unicode()))
            return true;
    }
    return false;
}

}  // namespace

ListError LoadEntryList(const QString &fileName, EntryList &rows)
{
    if (const platform::FileError e = platform::createIfMissing(fileName))
        return ioError(Operation::Load, fileName, e);
    platform::FileReader file;
    if (const platform::FileError e = file.open(fileName))
        return ioError(Operation::Load, fileName, e);

    // All records first: the encoding is decided on them as a whole, and a read failing
    // half-way leaves the rows untouched.
    QList<QByteArray> records;
    LineReader lines(file);
    QByteArray line;
    while (records.size() < RowCount) {
        const LineReader::Status status = lines.next(line);
        if (status == LineReader::Status::End)
            break;
        if (status == LineReader::Status::Failed)
            return ioError(Operation::Load, fileName, file.error());
        records.append(line);
    }
    QString (*const decode)(QByteArrayView) = readAsUtf8(records) ? fromUtf8 : platform::cp932::decode;
    for (qsizetype row = 0; row < records.size(); ++row)
        rows[size_t(row)] = parseRecord(records[row], decode);
    return {};
}

QString saveFailureMessage(const QString &fileName, const platform::FileError &error)
{
    return ioMessage(Operation::Save, fileName, error);
}

ListError SaveEntryList(const QString &fileName, const EntryList &rows)
{
    QByteArray contents;
    contents.reserve(RowCount * 16);
    QList<int> badRows, longRows;
    QList<char32_t> badCharacters;
    for (int row = 0; row < RowCount; ++row) {
        const EntryRow &entry = rows[size_t(row)];
        const std::optional<QByteArray> text = platform::cp932::encode(entry.text);
        if (!text || hasControl(entry.text)) {
            badRows.append(row);
            appendUnstorable(entry.text, badCharacters);
            continue;
        }
        const qsizetype start = contents.size();
        contents += QByteArray::number(int(entry.tick));
        contents += ",\"";
        contents += *text;
        contents += "\"";
        // The reader keeps MaxRecordBytes of a record, its line end aside: a longer one would
        // read back cut.
        if (contents.size() - start > MaxRecordBytes)
            longRows.append(row);
        contents += "\r\n";
    }
    if (!badRows.isEmpty())
        return unencodableError(fileName, badRows, badCharacters);
    if (!longRows.isEmpty())
        return tooLongError(fileName, longRows);

    if (const platform::FileError e = platform::touchForAppend(fileName))
        return ioError(Operation::Save, fileName, e);
    if (const platform::FileError e = platform::replaceFileContents(fileName, contents))
        return ioError(Operation::Save, fileName, e);
    platform::removeLeftoverTemporaries(fileName);
    return {};
}

}  // namespace lists
