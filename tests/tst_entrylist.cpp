// The list file format: the exact bytes written, what is read back, how files this
// program did not write are read, and that no failure loses the old list or the rows.

#include "lists/entrylist.h"
#include "tests/tools/killtest_lists.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>

using lists::EntryList;
using lists::EntryRow;
using lists::ListError;
using lists::LoadEntryList;
using lists::RowCount;
using lists::SaveEntryList;

Q_DECLARE_METATYPE(EntryRow)

namespace {
QString describe(const EntryRow &row) { return QStringLiteral("{%1, \"%2\"}").arg(row.tick).arg(row.text); }
}  // namespace

namespace lists {
char *toString(const EntryRow &row) { return QTest::toString(describe(row)); }  // for QCOMPARE's report
}  // namespace lists

namespace {

const QString kListName = QStringLiteral("TBNAME.DAT");
const QString kDenied = QStringLiteral("アクセスが拒否されました");

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<cannot read>");
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray record(int tick, const QByteArray &text) { return QByteArray::number(tick) + ",\"" + text + "\"\r\n"; }
QByteArray emptyRecords(int count) { return QByteArray("0,\"\"\r\n").repeated(count); }

// Rows that no file holds, to see which rows a load leaves alone.
EntryList priorRows()
{
    EntryList rows;
    for (int i = 0; i < RowCount; ++i)
        rows[size_t(i)] = EntryRow{qint16(i % 3), QStringLiteral("前の%1").arg(i)};
    return rows;
}

EntryList sampleRows()
{
    EntryList rows;
    for (int i = 0; i < RowCount; ++i)
        rows[size_t(i)] = EntryRow{qint16((i * 7) % 3), QStringLiteral("参加者 %1, \"No.%1\" ").arg(i + 1)};
    rows[5].text.clear();
    return rows;
}

// The expected first rows of a load, from UTF-8 texts.
QList<EntryRow> rowsOf(std::initializer_list<std::pair<int, const char *>> rows)
{
    QList<EntryRow> out;
    for (const auto &[tick, text] : rows)
        out.append(EntryRow{qint16(tick), QString::fromUtf8(text)});
    return out;
}

// Everything in the folder but the named files: left-over temporary files, say.
QStringList strayFiles(const QString &dir, const QStringList &expected)
{
    QStringList names = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : expected)
        names.removeAll(name);
    return names;
}

// Whether this process is held to file permissions at all (root is not).
bool permissionsApply(const QString &scratch)
{
    QDir().mkpath(scratch);
    QFile::setPermissions(scratch, QFile::ReadOwner | QFile::ExeOwner);
    QFile probe(scratch + QStringLiteral("/probe"));
    const bool created = probe.open(QIODevice::WriteOnly);
    probe.close();
    QFile::remove(probe.fileName());
    QFile::setPermissions(scratch, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return !created;
}

bool run(QStringList args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    const QString program = args.takeFirst();
    p.start(program, args);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A small tmpfs for the duration of a test; mounted is false without Linux and the right to mount (root).
struct Tmpfs {
    Tmpfs(const QString &point, const QString &options) : point(point)
    {
        QDir().mkpath(point);
        mounted = run({QStringLiteral("mount"), QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                       options, QStringLiteral("tmpfs"), point});
    }
    ~Tmpfs()
    {
        if (mounted)
            run({QStringLiteral("umount"), point});
    }
    Q_DISABLE_COPY(Tmpfs)
    const QString point;
    bool mounted = false;
};

// A failed load or save names the file, the reason in Japanese, and the system's wording in parentheses.
void checkIoMessage(const ListError &e, const QString &path, const QString &reason)
{
    QCOMPARE(e.kind, ListError::Kind::Io);
    QVERIFY2(e.message.contains(QDir::toNativeSeparators(path)), qPrintable(e.message));
    QVERIFY2(e.message.contains(reason), qPrintable(e.message));
    QVERIFY2(e.message.contains(u'（') && e.message.endsWith(u'）'), qPrintable(e.message));
    QVERIFY(e.rows.isEmpty());
}

// A load that fails reports why and leaves the rows as they were.
void checkLoadFails(const QString &path, const QString &reason)
{
    EntryList rows = priorRows();
    checkIoMessage(LoadEntryList(path, rows), path, reason);
    QVERIFY(rows == priorRows());
}

}  // namespace

class TestEntryList : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString folder() const { return m_dir->path(); }
    QString path() const { return m_dir->filePath(kListName); }

    // Loads the file into priorRows(): the first rows must be `expected`, the rest untouched.
    void checkLoad(const QList<EntryRow> &expected)
    {
        EntryList rows = priorRows();
        QVERIFY(!LoadEntryList(path(), rows));
        const EntryList prior = priorRows();
        for (int i = 0; i < RowCount; ++i) {
            const EntryRow &want = i < expected.size() ? expected[i] : prior[size_t(i)];
            QVERIFY2(rows[size_t(i)] == want, qPrintable(QStringLiteral("row %1: %2, expected %3")
                                                             .arg(i)
                                                             .arg(describe(rows[size_t(i)]), describe(want))));
        }
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    // ---- Bytes written and read back ------------------------------------------------

    void recordBytes_data()
    {
        QTest::addColumn<int>("tick");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        // The first row makes the empty list: 240 bytes.
        QTest::newRow("unticked, empty") << 0 << QString() << QByteArray::fromHex("302C22220D0A");
        QTest::newRow("ticked ABC") << 1 << QStringLiteral("ABC") << QByteArray::fromHex("312C22414243220D0A");
        QTest::newRow("greyed 参加者") << 2 << QStringLiteral("参加者") << QByteArray::fromHex("322C228E5189C18ED2220D0A");
        QTest::newRow("ticked, empty") << 1 << QString() << QByteArray::fromHex("312C22220D0A");
        // No escaping of any kind.
        QTest::newRow("comma, spaces, quotes") << 0 << QStringLiteral(" a,b \"c\" ") << QByteArray("0,\" a,b \"c\" \"\r\n");
        // What Linux input methods type is stored as Windows stores it.
        QTest::newRow("Linux twins") << 0 << QStringLiteral("〜‖−¢£¬") << QByteArray::fromHex("302C2281608161817C8191819281CA220D0A");
    }

    void recordBytes()
    {
        QFETCH(int, tick);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        EntryList rows;
        rows[0] = EntryRow{qint16(tick), text};
        QVERIFY(!SaveEntryList(path(), rows));
        QCOMPARE(readBytes(path()), bytes + emptyRecords(RowCount - 1));
    }

    // Every row written in order; a longer file is read up to its 40th record, unchanged by reading.
    void fortyOfFortyFiveRecords()
    {
        QByteArray forty;
        QList<EntryRow> expected;
        for (int i = 0; i < RowCount; ++i) {
            forty += record(i % 3, "N" + QByteArray::number(i));
            expected.append(EntryRow{qint16(i % 3), QStringLiteral("N%1").arg(i)});
        }
        const QByteArray bytes = forty + record(1, "N40") + record(2, "N41") + record(1, "N42") + record(1, "N43");
        QVERIFY(writeBytes(path(), bytes));
        checkLoad(expected);
        QCOMPARE(readBytes(path()), bytes);

        EntryList rows;
        std::copy(expected.cbegin(), expected.cend(), rows.begin());
        QVERIFY(!SaveEntryList(path(), rows));
        QCOMPARE(readBytes(path()), forty);
    }

    void roundTrip_data()
    {
        QTest::addColumn<int>("tick");
        QTest::addColumn<QString>("text");
        // sampleRows() holds every tick, an empty text, commas and quotes inside.
        QTest::newRow("commas") << 1 << QStringLiteral("a,b,,c,");
        QTest::newRow("leading and trailing spaces") << 1 << QStringLiteral("  名前  ");
        QTest::newRow("only spaces") << 0 << QStringLiteral("   ");
        QTest::newRow("quotes at both ends") << 1 << QStringLiteral("\"quoted\"");
        QTest::newRow("one quote") << 1 << QStringLiteral("\"");
        QTest::newRow("two quotes") << 1 << QStringLiteral("\"\"");
        QTest::newRow("quote comma quote") << 2 << QStringLiteral("\",\"");
        QTest::newRow("half-width katakana") << 1 << QStringLiteral("ﾔﾏﾀﾞ ﾀﾛｳ");
        QTest::newRow("IBM and NEC characters") << 1 << QStringLiteral("髙﨑 ①Ⅱ㈱№ ⅲ");
        QTest::newRow("punctuation") << 0 << QStringLiteral("!#$%&'()*+-./:;<=>?@[\\]^_`{|}~");
        QTest::newRow("user-defined area") << 1 << QString(QChar(0xE000));
        QTest::newRow("long name") << 1 << QString(5000, QChar(0x5C71));
    }

    void roundTrip()
    {
        QFETCH(int, tick);
        QFETCH(QString, text);
        EntryList rows = sampleRows();
        rows[0] = rows[17] = rows[39] = EntryRow{qint16(tick), text};
        QVERIFY(!SaveEntryList(path(), rows));
        const QByteArray written = readBytes(path());
        EntryList loaded = priorRows();
        QVERIFY(!LoadEntryList(path(), loaded));
        QCOMPARE(QList<EntryRow>(loaded.cbegin(), loaded.cend()), QList<EntryRow>(rows.cbegin(), rows.cend()));
        QVERIFY(!SaveEntryList(path(), loaded));  // saving what was read writes the same bytes
        QCOMPARE(readBytes(path()), written);
    }

    // Load creates a missing file empty; an empty file is no failure either. Neither changes rows.
    void missingOrEmptyFile()
    {
        for (int pass = 0; pass < 2; ++pass) {
            checkLoad({});
            QVERIFY(QFileInfo(path()).isFile());
            QCOMPARE(QFileInfo(path()).size(), 0);
        }
    }

    void saveReplacesLongerFile()
    {
        QVERIFY(writeBytes(path(), QByteArray(100000, 'x') + "\r\n" + record(1, "old")));
        QVERIFY(!SaveEntryList(path(), EntryList{}));
        QCOMPARE(readBytes(path()), emptyRecords(40));
        QCOMPARE(strayFiles(folder(), {kListName}), QStringList());
    }

    // A save killed half-way leaves its temporary file; the next good save clears those up
    // and nothing else.
    void goodSaveRemovesLeftoverTemporaries()
    {
        const QString &name = kListName;
        const QStringList leftovers = {name + QStringLiteral(".1a2b3c4d.tmp"), name + QStringLiteral(".0.tmp")};
        const QStringList others = {name + QStringLiteral(".bak"), name + QStringLiteral(".notes.tmp"),
                                    QStringLiteral("OTHER.DAT.1a.tmp"), name + QStringLiteral(".123456789.tmp")};
        for (const QString &f : leftovers + others)
            QVERIFY(writeBytes(m_dir->filePath(f), "x"));
        QVERIFY(!SaveEntryList(path(), EntryList{}));
        for (const QString &f : leftovers)
            QVERIFY2(!QFile::exists(m_dir->filePath(f)), qPrintable(f));
        for (const QString &f : others)
            QVERIFY2(QFile::exists(m_dir->filePath(f)), qPrintable(f));
    }

    // Files this program did not write: one record per line, see entrylist.h.
    void foreignFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<EntryRow>>("expected");
        QTest::newRow("LF line ends") << QByteArray("1,\"A\"\n2,\"B\"\n") << rowsOf({{1, "A"}, {2, "B"}});
        QTest::newRow("mixed line ends") << QByteArray("1,\"A\"\n2,\"B\"\r\n0,\"C\"\n") << rowsOf({{1, "A"}, {2, "B"}, {0, "C"}});
        QTest::newRow("blank line is an empty record") << QByteArray("1,\"A\"\r\n\r\n1,\"C\"\r\n") << rowsOf({{1, "A"}, {0, ""}, {1, "C"}});
        QTest::newRow("blank line with LF") << QByteArray("\n1,\"B\"\n") << rowsOf({{0, ""}, {1, "B"}});
        QTest::newRow("blank line at the end") << QByteArray("1,\"A\"\r\n\r\n") << rowsOf({{1, "A"}, {0, ""}});
        QTest::newRow("last line without line end") << QByteArray("1,\"A\"\r\n2,\"B\"") << rowsOf({{1, "A"}, {2, "B"}});
        QTest::newRow("last line ends with CR only") << QByteArray("1,\"A\"\r") << rowsOf({{1, "A"}});
        QTest::newRow("CR CR LF") << QByteArray("1,\"A\"\r\r\n") << rowsOf({{1, "A"}});
        QTest::newRow("no quotes") << QByteArray("1,ABC\r\n") << rowsOf({{1, "ABC"}});
        QTest::newRow("no quotes, spaces kept") << QByteArray("1, A B \r\n") << rowsOf({{1, " A B "}});
        QTest::newRow("no closing quote") << QByteArray("2,\"ABC \r\n") << rowsOf({{2, "ABC "}});
        QTest::newRow("spaces around fields") << QByteArray(" 1 ,  \"A B\"  \r\n") << rowsOf({{1, "A B"}});
        QTest::newRow("tab before the quote") << QByteArray("1,\t\"A\"\r\n") << rowsOf({{1, "A"}});
        QTest::newRow("quotes inside") << QByteArray("1,\"say \"hi\"\"\r\n") << rowsOf({{1, "say \"hi\""}});
        QTest::newRow("bytes after the closing quote") << QByteArray("1,\"A\"  xyz\r\n") << rowsOf({{1, "A"}});
        QTest::newRow("second field") << QByteArray("1,\"A\",\"B\"\r\n") << rowsOf({{1, "A\",\"B"}});
        QTest::newRow("no comma") << QByteArray("1\r\n\"ABC\"\r\n") << rowsOf({{1, ""}, {0, ""}});
        QTest::newRow("comma only") << QByteArray(",\r\n") << rowsOf({{0, ""}});
        QTest::newRow("empty tick") << QByteArray(",\"A\"\r\n") << rowsOf({{0, "A"}});
        QTest::newRow("spaces only") << QByteArray("   \r\n") << rowsOf({{0, ""}});
        QTest::newRow("lone CR inside the text") << QByteArray("1,\"A\rB\"\r\n") << rowsOf({{1, "A\rB"}});
        QTest::newRow("NUL inside the text") << QByteArray("1,\"A\0B\"\r\n", 9)
                                             << QList<EntryRow>{{1, QStringLiteral("A") + QChar(0) + QStringLiteral("B")}};
        QTest::newRow("invalid Shift-JIS") << QByteArray("1,\"\x85\x40x\x81\"\r\n0,\"\x81\"\r\n") << rowsOf({{1, "�x�"}, {0, "�"}});
        QTest::newRow("quote right after a lead byte") << QByteArray("1,\"\x82\"A\"\r\n") << rowsOf({{1, "�\"A"}});
        // UTF-8 is read as Shift-JIS, whatever that gives: E5 B1 is a pair, B1 a katakana.
        QTest::newRow("UTF-8 text") << QByteArray("1,\"\xE5\xB1\xB1\"\r\n") << rowsOf({{1, "螻ｱ"}});
        // The codes of the Linux twins read as the characters Windows has for them.
        QTest::newRow("twins") << QByteArray::fromHex("302C2281608161817C8191819281CA22") << rowsOf({{0, "～∥－￠￡￢"}});

        const char *ticks[][2] = {
            {"0", "0"},   {"1", "1"},    {"2", "2"},    {"3", "0"},   {"-1", "0"},   {"-0", "0"},
            {"+1", "1"},  {"01", "1"},   {"002", "2"},  {"10", "0"},  {"1.5", "0"},  {"1e0", "0"},
            {"abc", "0"}, {"1a", "0"},   {" 2 ", "2"},  {"\t1", "1"}, {"- 1", "0"},  {"++1", "0"},
            {"32767", "0"}, {"-32768", "0"}, {"65537", "0"}, {"99999999999999999999999999999991", "0"},
            {"\x82\x50", "0"},  // a full-width digit one
        };
        for (const auto &t : ticks)
            QTest::addRow("tick '%s'", t[0]) << (QByteArray(t[0]) + ",\"X\"\r\n") << rowsOf({{QByteArray(t[1]).toInt(), "X"}});
    }

    void foreignFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<EntryRow>, expected);
        QVERIFY(writeBytes(path(), bytes));
        checkLoad(expected);
        QCOMPARE(readBytes(path()), bytes);
    }

    // The longest line that is read whole, one byte more, and a line that goes on and on.
    void longLines()
    {
        const QByteArray prefix = "1,\"";
        const QByteArray fits = prefix + QByteArray(lists::MaxRecordBytes - prefix.size() - 1, 'a') + "\"";
        QCOMPARE(fits.size(), lists::MaxRecordBytes);
        QVERIFY(writeBytes(path(), fits + "\r\n" + fits + "\n" + record(2, "after")));
        const EntryRow a{1, QString(lists::MaxRecordBytes - 4, u'a')};
        checkLoad({a, a, {2, QStringLiteral("after")}});

        // Too long: its start is the record, and reading ends there.
        const QByteArray tooLong = prefix + QByteArray(3 * lists::MaxRecordBytes, 'b') + "\"";
        QVERIFY(writeBytes(path(), record(1, "first") + tooLong + "\r\n" + record(2, "after")));
        checkLoad({{1, QStringLiteral("first")}, {1, QString(lists::MaxRecordBytes - prefix.size(), u'b')}});
    }

    // A file of gigabytes without a line end is not read to its end.
    void hugeFile()
    {
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.write("1,\"big") == 6);
        if (!f.resize(qint64(16) << 30))
            QSKIP("this file system cannot hold a sparse file of 16 GiB");
        f.close();
        EntryList rows = priorRows();
        QVERIFY(!LoadEntryList(path(), rows));
        QCOMPARE(rows[0].tick, qint16(1));
        QCOMPARE(rows[0].text.size(), lists::MaxRecordBytes - 3);
        QVERIFY(rows[0].text.startsWith(QStringLiteral("big")));
        QCOMPARE(rows[1], priorRows()[1]);
    }

    // ---- Failures -------------------------------------------------------------------

    // Unstorable characters: nothing is written, not even a temporary file, and the error lists the rows.
    void unstorableTextIsRefused_data()
    {
        QTest::addColumn<bool>("fileExists");
        QTest::newRow("file exists") << true;
        QTest::newRow("file missing") << false;
    }

    void unstorableTextIsRefused()
    {
        QFETCH(bool, fileExists);
        const QByteArray old = record(1, "old") + emptyRecords(39);
        if (fileExists)
            QVERIFY(writeBytes(path(), old));
        EntryList rows = sampleRows();
        rows[2].text = QStringLiteral("田中😀");
        rows[16].text = QStringLiteral("café");
        rows[20].text = QStringLiteral("😀");
        const ListError e = SaveEntryList(path(), rows);
        QCOMPARE(e.kind, ListError::Kind::Unencodable);
        QCOMPARE(e.rows, (QList<int>{2, 16, 20}));
        for (const QString &part : {QStringLiteral("3, 17, 21 行目"), kListName, QStringLiteral("😀、é")})
            QVERIFY2(e.message.contains(part), qPrintable(e.message));
        if (fileExists)
            QCOMPARE(readBytes(path()), old);
        QCOMPARE(strayFiles(folder(), fileExists ? QStringList{kListName} : QStringList{}), QStringList());
    }

    // A control character would break the record (CR, LF) or is garbage in a name: refused, never written.
    void controlCharactersAreRefused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("LF") << QStringLiteral("a\nb") << QStringLiteral("U+000A");
        QTest::newRow("CR LF") << QStringLiteral("a\r\n") << QStringLiteral("U+000D、U+000A");
        QTest::newRow("tab") << QStringLiteral("\t") << QStringLiteral("U+0009");
        QTest::newRow("NUL") << QString(QChar(0)) << QStringLiteral("U+0000");
        QTest::newRow("DEL") << QStringLiteral("x\x7f") << QStringLiteral("U+007F");
        QTest::newRow("replacement character from a damaged file") << QString(QChar(0xFFFD)) << QStringLiteral("U+FFFD");
    }

    void controlCharactersAreRefused()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QVERIFY(writeBytes(path(), emptyRecords(40)));
        EntryList rows;
        rows[39].text = text;
        const ListError e = SaveEntryList(path(), rows);
        QCOMPARE(e.kind, ListError::Kind::Unencodable);
        QCOMPARE(e.rows, QList<int>{39});
        QVERIFY2(e.message.contains(QStringLiteral("40 行目")) && e.message.contains(shown), qPrintable(e.message));
        QCOMPARE(readBytes(path()), emptyRecords(40));
        QCOMPARE(strayFiles(folder(), {kListName}), QStringList());
    }

    void listFileIsAFolder()
    {
        QVERIFY(QDir(folder()).mkdir(kListName));
        EntryList rows = priorRows();
        const ListError load = LoadEntryList(path(), rows);
        checkIoMessage(load, path(), QStringLiteral("フォルダー"));
        QVERIFY(load.message.contains(QStringLiteral("読み込めません")));
        QVERIFY(rows == priorRows());

        const ListError save = SaveEntryList(path(), sampleRows());
        checkIoMessage(save, path(), QStringLiteral("フォルダー"));
        QVERIFY(save.message.contains(QStringLiteral("保存できません")));
        QVERIFY(QFileInfo(path()).isDir());
        QCOMPARE(strayFiles(folder(), {kListName}), QStringList());
    }

    void folderIsMissing()
    {
        const QString inMissing = m_dir->filePath(QStringLiteral("gone/") + kListName);
        checkLoadFails(inMissing, QStringLiteral("見つかりません"));
        checkIoMessage(SaveEntryList(inMissing, sampleRows()), inMissing, QStringLiteral("見つかりません"));
        QCOMPARE(strayFiles(folder(), {}), QStringList());
    }

    void folderIsNotWritable()
    {
        const QString folder = m_dir->filePath(QStringLiteral("locked"));
        if (!permissionsApply(folder))
            QSKIP("file permissions do not apply to this user (root)");
        const QString file = folder + u'/' + kListName;
        const QString missing = folder + QStringLiteral("/TBKEIHIN.DAT");
        const QByteArray old = record(1, "old") + emptyRecords(39);
        QVERIFY(writeBytes(file, old));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        const ListError save = SaveEntryList(file, sampleRows());
        EntryList rows = priorRows();
        const ListError load = LoadEntryList(missing, rows);
        EntryList fromOld = priorRows();
        const ListError loadOld = LoadEntryList(file, fromOld);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        checkIoMessage(save, file, kDenied);
        QCOMPARE(readBytes(file), old);
        QCOMPARE(strayFiles(folder, {kListName}), QStringList());
        checkIoMessage(load, missing, kDenied);
        QVERIFY(rows == priorRows());
        QVERIFY(!loadOld);  // an existing list there can still be read
        QCOMPARE(fromOld[0], (EntryRow{1, QStringLiteral("old")}));
    }

    // A read-only file loads but does not save; an unreadable one does not load.
    void filePermissions()
    {
        if (!permissionsApply(m_dir->filePath(QStringLiteral("probe"))))
            QSKIP("file permissions do not apply to this user (root)");
        const QByteArray old = record(2, "keep") + emptyRecords(39);
        QVERIFY(writeBytes(path(), old));
        QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner));
        EntryList rows = priorRows();
        QVERIFY(!LoadEntryList(path(), rows));
        QCOMPARE(rows[0], (EntryRow{2, QStringLiteral("keep")}));
        checkIoMessage(SaveEntryList(path(), sampleRows()), path(), kDenied);
        QCOMPARE(readBytes(path()), old);

        QVERIFY(QFile::setPermissions(path(), QFile::WriteOwner));
        checkLoadFails(path(), kDenied);
    }

    void diskFull()
    {
        const QString folder = m_dir->filePath(QStringLiteral("small"));
        const Tmpfs tmpfs(folder, QStringLiteral("size=128k"));
        if (!tmpfs.mounted)
            QSKIP("cannot mount a small tmpfs here (needs Linux and root)");
        const QString file = folder + u'/' + kListName;
        QVERIFY(!SaveEntryList(file, sampleRows()));
        const QByteArray old = readBytes(file);

        // Fill the disk to the last byte.
        QFile filler(folder + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        while (filler.write("f", 1) == 1) {
        }
        filler.close();

        EntryList big;
        for (EntryRow &row : big)
            row.text = QString(1000, QChar(0x6F22));
        checkIoMessage(SaveEntryList(file, big), file, QStringLiteral("ディスクの空き容量が不足しています"));
        QCOMPARE(readBytes(file), old);
        QCOMPARE(strayFiles(folder, {kListName, QStringLiteral("filler")}), QStringList());

        // With room again, the same save succeeds.
        QVERIFY(filler.remove());
        QVERIFY(!SaveEntryList(file, big));
        EntryList rows;
        QVERIFY(!LoadEntryList(file, rows));
        QVERIFY(rows == big);
    }

    void readOnlyFileSystem()
    {
        const QString folder = m_dir->filePath(QStringLiteral("ro"));
        const Tmpfs tmpfs(folder, QStringLiteral("size=64k"));
        if (!tmpfs.mounted)
            QSKIP("cannot mount a tmpfs here (needs Linux and root)");
        const QString file = folder + u'/' + kListName;
        QVERIFY(!SaveEntryList(file, sampleRows()));
        const QByteArray old = readBytes(file);
        QVERIFY(run({QStringLiteral("mount"), QStringLiteral("-o"), QStringLiteral("remount,ro"), folder}));

        checkIoMessage(SaveEntryList(file, EntryList{}), file, QStringLiteral("書き込み禁止"));
        QCOMPARE(readBytes(file), old);
        EntryList rows;
        QVERIFY(!LoadEntryList(file, rows));  // reading is fine
        QVERIFY(rows == sampleRows());
        const QString missing = folder + QStringLiteral("/TBKEIHIN.DAT");
        checkLoadFails(missing, QStringLiteral("書き込み禁止"));
    }

    // A read that fails half-way leaves the rows as they were (Linux's /proc/self/mem: page 0 is unreadable).
    void readError()
    {
        const QString mem = QStringLiteral("/proc/self/mem");
        if (!QFile::exists(mem))
            QSKIP("needs Linux's /proc/self/mem");
        checkLoadFails(mem, QStringLiteral("読み書きに失敗しました"));
    }

#ifdef Q_OS_UNIX
    void saveKeepsPermissionsAndLinks()
    {
        QVERIFY(writeBytes(path(), emptyRecords(40)));
        QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(!SaveEntryList(path(), sampleRows()));
        const auto userBits = QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;  // Qt's copy of the owner's
        QCOMPARE(QFile::permissions(path()) & ~userBits, QFile::ReadOwner | QFile::WriteOwner);

        const QString real = m_dir->filePath(QStringLiteral("real.dat"));
        const QString link = m_dir->filePath(QStringLiteral("TBKEIHIN.DAT"));
        QVERIFY(writeBytes(real, QByteArray()));
        QVERIFY(QFile::link(real, link));
        QVERIFY(!SaveEntryList(link, sampleRows()));
        QVERIFY(QFileInfo(link).isSymbolicLink());
        QCOMPARE(readBytes(real), readBytes(path()));
    }
#endif

    // A named pipe where the list should be: neither operation waits for the other end.
    void listFileIsANamedPipe()
    {
        if (!run({QStringLiteral("mkfifo"), path()}))
            QSKIP("mkfifo is not available");
        checkLoad({});
        QCOMPARE(SaveEntryList(path(), sampleRows()).kind, ListError::Kind::Io);
        QVERIFY(!QFileInfo(path()).isFile());
    }

    // A save killed at any moment leaves the complete old or the complete new file.
    void killedSaveLeavesOldOrNew()
    {
        const EntryList small = killtest::list(0);
        const EntryList big = killtest::list(1);
        QVERIFY(!SaveEntryList(path(), big));
        const QByteArray bigBytes = readBytes(path());
        QVERIFY(!SaveEntryList(path(), small));
        const QByteArray smallBytes = readBytes(path());
        QVERIFY(bigBytes.size() > 100000);
        QCOMPARE(smallBytes.size(), 240);

        QElapsedTimer budget;
        budget.start();
        int rounds = 0, sawSmall = 0, sawBig = 0;
        while (rounds < 200 && budget.elapsed() < 4000) {
            QProcess child;
            child.start(QStringLiteral(LOTARIN_SAVER), {path()});
            QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
            // Once the first save is done the child is in its loop of saves.
            QVERIFY2(child.waitForReadyRead(20000), qPrintable(QString::fromLocal8Bit(child.readAllStandardError())));
            QThread::usleep(QRandomGenerator::global()->bounded(30000));
            QCOMPARE(child.state(), QProcess::Running);
            child.kill();
            QVERIFY(child.waitForFinished(10000));
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);

            const QByteArray now = readBytes(path());
            QVERIFY2(now == smallBytes || now == bigBytes,
                     qPrintable(QStringLiteral("round %1: %2 bytes").arg(rounds).arg(now.size())));
            ++(now == smallBytes ? sawSmall : sawBig);
            ++rounds;
        }
        qInfo("%d kills: %d left the empty list, %d the long one, %d temporary files left", rounds, sawSmall, sawBig,
              int(strayFiles(folder(), {kListName}).size()));
        EntryList rows;
        QVERIFY(!LoadEntryList(path(), rows));
        QVERIFY(rows == small || rows == big);
    }
};

QTEST_GUILESS_MAIN(TestEntryList)
#include "tst_entrylist.moc"
