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

namespace lists {
// For QCOMPARE's report.
char *toString(const EntryRow &row)
{
    return QTest::toString(QStringLiteral("{%1, \"%2\"}").arg(row.tick).arg(row.text));
}
}  // namespace lists

namespace {

const QString kListName = QStringLiteral("TBNAME.DAT");

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<cannot read>");
    return f.readAll();
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

QString describe(const EntryRow &row)
{
    return QStringLiteral("{%1, \"%2\"}").arg(row.tick).arg(row.text);
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

// A small tmpfs for the duration of a test. Needs Linux and the right to mount (root).
class Tmpfs {
public:
    explicit Tmpfs(const QString &mountPoint) : m_point(mountPoint) { QDir().mkpath(mountPoint); }
    ~Tmpfs()
    {
        if (m_mounted)
            run({QStringLiteral("umount"), m_point});
    }
    Tmpfs(const Tmpfs &) = delete;
    Tmpfs &operator=(const Tmpfs &) = delete;

    bool mount(const QString &options)
    {
#ifdef Q_OS_LINUX
        m_mounted = run({QStringLiteral("mount"), QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                         options, QStringLiteral("tmpfs"), m_point});
#else
        Q_UNUSED(options);
#endif
        return m_mounted;
    }
    bool remount(const QString &options)
    {
        return run({QStringLiteral("mount"), QStringLiteral("-o"), QStringLiteral("remount,") + options, m_point});
    }

private:
    static bool run(QStringList args)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        const QString program = args.takeFirst();
        p.start(program, args);
        return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    QString m_point;
    bool m_mounted = false;
};

// The message of a failed load or save names the file, the reason in Japanese, and
// the system's own wording in parentheses.
void checkIoMessage(const ListError &e, const QString &path, const QString &reason)
{
    QCOMPARE(e.kind, ListError::Kind::Io);
    QVERIFY2(e.message.contains(QDir::toNativeSeparators(path)), qPrintable(e.message));
    QVERIFY2(e.message.contains(reason), qPrintable(e.message));
    QVERIFY2(e.message.contains(u'（') && e.message.endsWith(u'）'), qPrintable(e.message));
    QVERIFY(e.rows.isEmpty());
}

}  // namespace

class TestEntryList : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString folder() const { return m_dir->path(); }
    QString path() const { return m_dir->filePath(kListName); }

private Q_SLOTS:
    void init()
    {
        // A fresh folder for each test function.
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    // ---- Bytes written --------------------------------------------------------------

    void recordBytes_data()
    {
        QTest::addColumn<int>("tick");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("unticked, empty") << 0 << QString() << QByteArray::fromHex("302C22220D0A");
        QTest::newRow("ticked ABC") << 1 << QStringLiteral("ABC") << QByteArray::fromHex("312C22414243220D0A");
        QTest::newRow("greyed 参加者") << 2 << QStringLiteral("参加者") << QByteArray::fromHex("322C228E5189C18ED2220D0A");
        QTest::newRow("ticked, empty") << 1 << QString() << QByteArray::fromHex("312C22220D0A");
        // No escaping of any kind.
        QTest::newRow("comma, spaces, quotes") << 0 << QStringLiteral(" a,b \"c\" ") << QByteArray("0,\" a,b \"c\" \"\r\n");
        QTest::newRow("wave dash as Windows writes it") << 1 << QStringLiteral("〜") << QByteArray::fromHex("312C228160220D0A");
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

    void emptyListIs240Bytes()
    {
        QVERIFY(!SaveEntryList(path(), EntryList{}));
        const QByteArray bytes = readBytes(path());
        QCOMPARE(bytes.size(), 240);
        QCOMPARE(bytes, emptyRecords(40));
    }

    void everyRowWrittenInOrder()
    {
        EntryList rows;
        for (int i = 0; i < RowCount; ++i)
            rows[size_t(i)] = EntryRow{qint16(i % 3), QString::number(i)};
        QVERIFY(!SaveEntryList(path(), rows));
        QByteArray expected;
        for (int i = 0; i < RowCount; ++i)
            expected += record(i % 3, QByteArray::number(i));
        QCOMPARE(readBytes(path()), expected);
    }

    // ---- Round trips ----------------------------------------------------------------

    void roundTrip_data()
    {
        QTest::addColumn<int>("tick");
        QTest::addColumn<QString>("text");
        QTest::newRow("unticked") << 0 << QStringLiteral("山田 太郎");
        QTest::newRow("ticked") << 1 << QStringLiteral("山田 太郎");
        QTest::newRow("greyed") << 2 << QStringLiteral("山田 太郎");
        QTest::newRow("ticked, empty") << 1 << QString();
        QTest::newRow("commas") << 1 << QStringLiteral("a,b,,c,");
        QTest::newRow("leading and trailing spaces") << 1 << QStringLiteral("  名前  ");
        QTest::newRow("only spaces") << 0 << QStringLiteral("   ");
        QTest::newRow("quote inside") << 1 << QStringLiteral("say \"hi\" now");
        QTest::newRow("quotes at both ends") << 1 << QStringLiteral("\"quoted\"");
        QTest::newRow("one quote") << 1 << QStringLiteral("\"");
        QTest::newRow("two quotes") << 1 << QStringLiteral("\"\"");
        QTest::newRow("quote comma quote") << 2 << QStringLiteral("\",\"");
        QTest::newRow("half-width katakana") << 1 << QStringLiteral("ﾔﾏﾀﾞ ﾀﾛｳ");
        QTest::newRow("IBM and NEC characters") << 1 << QStringLiteral("髙﨑 ①Ⅱ㈱№ ⅲ");
        QTest::newRow("tab-free punctuation") << 0 << QStringLiteral("!#$%&'()*+-./:;<=>?@[\\]^_`{|}~");
        QTest::newRow("user-defined area") << 1 << QString(QChar(0xE000));
        QTest::newRow("long name") << 1 << QString(5000, QChar(0x5C71));
    }

    void roundTrip()
    {
        QFETCH(int, tick);
        QFETCH(QString, text);
        EntryList rows = sampleRows();
        rows[0] = EntryRow{qint16(tick), text};
        rows[17] = EntryRow{qint16(tick), text};
        rows[39] = EntryRow{qint16(tick), text};
        QVERIFY(!SaveEntryList(path(), rows));
        const QByteArray written = readBytes(path());

        EntryList loaded = priorRows();
        QVERIFY(!LoadEntryList(path(), loaded));
        for (int i = 0; i < RowCount; ++i)
            QVERIFY2(loaded[size_t(i)] == rows[size_t(i)], qPrintable(QString::number(i) + u' ' + describe(loaded[size_t(i)])));
        // Saving what was read writes the same bytes.
        QVERIFY(!SaveEntryList(path(), loaded));
        QCOMPARE(readBytes(path()), written);
    }

    // What a Linux input method types is stored as Windows stores it and reads back as
    // the character Windows has for that code.
    void linuxTwinsReadBackAsWindowsCharacters()
    {
        EntryList rows;
        rows[0].text = QStringLiteral("〜‖−¢£¬");
        QVERIFY(!SaveEntryList(path(), rows));
        QVERIFY(readBytes(path()).startsWith(QByteArray::fromHex("302C2281608161817C8191819281CA22")));
        EntryList loaded;
        QVERIFY(!LoadEntryList(path(), loaded));
        QCOMPARE(loaded[0].text, QStringLiteral("～∥－￠￡￢"));
    }

    // ---- Loading --------------------------------------------------------------------

    void threeRecordsFillThreeRows()
    {
        QVERIFY(writeBytes(path(), record(1, "A") + record(2, "B") + record(0, "C")));
        EntryList rows = priorRows();
        QVERIFY(!LoadEntryList(path(), rows));
        QCOMPARE(rows[0], (EntryRow{1, QStringLiteral("A")}));
        QCOMPARE(rows[1], (EntryRow{2, QStringLiteral("B")}));
        QCOMPARE(rows[2], (EntryRow{0, QStringLiteral("C")}));
        const EntryList prior = priorRows();
        for (int i = 3; i < RowCount; ++i)
            QCOMPARE(rows[size_t(i)], prior[size_t(i)]);
    }

    void fortyFiveRecords()
    {
        QByteArray bytes;
        for (int i = 0; i < 45; ++i)
            bytes += record(1, "N" + QByteArray::number(i));
        QVERIFY(writeBytes(path(), bytes));
        EntryList rows = priorRows();
        QVERIFY(!LoadEntryList(path(), rows));
        for (int i = 0; i < RowCount; ++i)
            QCOMPARE(rows[size_t(i)], (EntryRow{1, QStringLiteral("N%1").arg(i)}));
        QCOMPARE(readBytes(path()), bytes);  // reading changes nothing

        QVERIFY(!SaveEntryList(path(), rows));
        QByteArray forty;
        for (int i = 0; i < RowCount; ++i)
            forty += record(1, "N" + QByteArray::number(i));
        QCOMPARE(readBytes(path()), forty);
    }

    void missingFileIsCreatedEmptyByLoad()
    {
        EntryList rows = priorRows();
        QVERIFY(!LoadEntryList(path(), rows));
        QVERIFY(QFileInfo(path()).isFile());
        QCOMPARE(QFileInfo(path()).size(), 0);
        QVERIFY(rows == priorRows());

        // An empty file is no failure either, and stays empty.
        QVERIFY(!LoadEntryList(path(), rows));
        QCOMPARE(QFileInfo(path()).size(), 0);
        QVERIFY(rows == priorRows());
    }

    void missingFileIsCreatedBySave()
    {
        QVERIFY(!SaveEntryList(path(), sampleRows()));
        EntryList rows;
        QVERIFY(!LoadEntryList(path(), rows));
        QVERIFY(rows == sampleRows());
        QCOMPARE(strayFiles(folder(), {kListName}), QStringList());
    }

    void saveReplacesLongerFile()
    {
        QVERIFY(writeBytes(path(), QByteArray(100000, 'x') + "\r\n" + record(1, "old")));
        QVERIFY(!SaveEntryList(path(), EntryList{}));
        QCOMPARE(readBytes(path()), emptyRecords(40));
        QCOMPARE(strayFiles(folder(), {kListName}), QStringList());
    }

    // Files this program did not write: one record per line, see entrylist.h.
    void foreignFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<EntryRow>>("expected");
        const auto row = [](int tick, const QString &text) { return EntryRow{qint16(tick), text}; };
        const QString bad(QChar(0xFFFD));

        QTest::newRow("LF line ends") << QByteArray("1,\"A\"\n2,\"B\"\n")
                                      << QList<EntryRow>{row(1, QStringLiteral("A")), row(2, QStringLiteral("B"))};
        QTest::newRow("mixed line ends") << QByteArray("1,\"A\"\n2,\"B\"\r\n0,\"C\"\n")
                                         << QList<EntryRow>{row(1, QStringLiteral("A")), row(2, QStringLiteral("B")),
                                                            row(0, QStringLiteral("C"))};
        QTest::newRow("blank line is an empty record")
            << QByteArray("1,\"A\"\r\n\r\n1,\"C\"\r\n")
            << QList<EntryRow>{row(1, QStringLiteral("A")), row(0, QString()), row(1, QStringLiteral("C"))};
        QTest::newRow("blank line with LF") << QByteArray("\n1,\"B\"\n")
                                            << QList<EntryRow>{row(0, QString()), row(1, QStringLiteral("B"))};
        QTest::newRow("blank line at the end") << QByteArray("1,\"A\"\r\n\r\n")
                                               << QList<EntryRow>{row(1, QStringLiteral("A")), row(0, QString())};
        QTest::newRow("last line without line end") << QByteArray("1,\"A\"\r\n2,\"B\"")
                                                    << QList<EntryRow>{row(1, QStringLiteral("A")), row(2, QStringLiteral("B"))};
        QTest::newRow("last line ends with CR only") << QByteArray("1,\"A\"\r")
                                                     << QList<EntryRow>{row(1, QStringLiteral("A"))};
        QTest::newRow("CR CR LF") << QByteArray("1,\"A\"\r\r\n") << QList<EntryRow>{row(1, QStringLiteral("A"))};
        QTest::newRow("no quotes") << QByteArray("1,ABC\r\n") << QList<EntryRow>{row(1, QStringLiteral("ABC"))};
        QTest::newRow("no quotes, spaces kept") << QByteArray("1, A B \r\n") << QList<EntryRow>{row(1, QStringLiteral(" A B "))};
        QTest::newRow("no closing quote") << QByteArray("2,\"ABC \r\n") << QList<EntryRow>{row(2, QStringLiteral("ABC "))};
        QTest::newRow("spaces around fields") << QByteArray(" 1 ,  \"A B\"  \r\n") << QList<EntryRow>{row(1, QStringLiteral("A B"))};
        QTest::newRow("tab before the quote") << QByteArray("1,\t\"A\"\r\n") << QList<EntryRow>{row(1, QStringLiteral("A"))};
        QTest::newRow("quotes inside") << QByteArray("1,\"say \"hi\"\"\r\n") << QList<EntryRow>{row(1, QStringLiteral("say \"hi\""))};
        QTest::newRow("bytes after the closing quote") << QByteArray("1,\"A\"  xyz\r\n")
                                                       << QList<EntryRow>{row(1, QStringLiteral("A"))};
        QTest::newRow("second field") << QByteArray("1,\"A\",\"B\"\r\n") << QList<EntryRow>{row(1, QStringLiteral("A\",\"B"))};
        QTest::newRow("no comma") << QByteArray("1\r\n\"ABC\"\r\n") << QList<EntryRow>{row(1, QString()), row(0, QString())};
        QTest::newRow("comma only") << QByteArray(",\r\n") << QList<EntryRow>{row(0, QString())};
        QTest::newRow("empty tick") << QByteArray(",\"A\"\r\n") << QList<EntryRow>{row(0, QStringLiteral("A"))};
        QTest::newRow("spaces only") << QByteArray("   \r\n") << QList<EntryRow>{row(0, QString())};
        QTest::newRow("lone CR inside the text") << QByteArray("1,\"A\rB\"\r\n") << QList<EntryRow>{row(1, QStringLiteral("A\rB"))};
        QTest::newRow("NUL inside the text") << QByteArray("1,\"A\0B\"\r\n", 9)
                                             << QList<EntryRow>{row(1, QStringLiteral("A") + QChar(0) + QStringLiteral("B"))};
        QTest::newRow("invalid Shift-JIS")
            << QByteArray("1,\"\x85\x40x\x81\"\r\n0,\"\x81\"\r\n")
            << QList<EntryRow>{row(1, bad + QStringLiteral("x") + bad), row(0, bad)};
        QTest::newRow("quote right after a lead byte") << QByteArray("1,\"\x82\"A\"\r\n")
                                                       << QList<EntryRow>{row(1, bad + QStringLiteral("\"A"))};
        // UTF-8 is read as Shift-JIS, whatever that gives: E5 B1 is a pair, B1 a katakana.
        QTest::newRow("UTF-8 text") << QByteArray("1,\"\xE5\xB1\xB1\"\r\n")
                                    << QList<EntryRow>{row(1, QStringLiteral("螻ｱ"))};

        const char *ticks[][2] = {
            {"0", "0"},   {"1", "1"},    {"2", "2"},    {"3", "0"},   {"-1", "0"},   {"-0", "0"},
            {"+1", "1"},  {"01", "1"},   {"002", "2"},  {"10", "0"},  {"1.5", "0"},  {"1e0", "0"},
            {"abc", "0"}, {"1a", "0"},   {" 2 ", "2"},  {"\t1", "1"}, {"- 1", "0"},  {"++1", "0"},
            {"32767", "0"}, {"-32768", "0"}, {"65537", "0"}, {"99999999999999999999999999999991", "0"},
            {"\x82\x50", "0"},  // a full-width digit one
        };
        for (const auto &t : ticks) {
            QTest::addRow("tick '%s'", t[0]) << (QByteArray(t[0]) + ",\"X\"\r\n")
                                              << QList<EntryRow>{row(QByteArray(t[1]).toInt(), QStringLiteral("X"))};
        }
    }

    void foreignFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<EntryRow>, expected);
        QVERIFY(writeBytes(path(), bytes));
        EntryList rows = priorRows();
        QVERIFY(!LoadEntryList(path(), rows));
        const EntryList prior = priorRows();
        for (int i = 0; i < RowCount; ++i) {
            const EntryRow &want = i < expected.size() ? expected[i] : prior[size_t(i)];
            QVERIFY2(rows[size_t(i)] == want, qPrintable(QStringLiteral("row %1: %2, expected %3")
                                                             .arg(i)
                                                             .arg(describe(rows[size_t(i)]), describe(want))));
        }
        QCOMPARE(readBytes(path()), bytes);
    }

    // The longest line that is read whole, one byte more, and a line that goes on and on.
    void longLines()
    {
        const QByteArray prefix = "1,\"";
        const QByteArray fits = prefix + QByteArray(lists::MaxRecordBytes - prefix.size() - 1, 'a') + "\"";
        QCOMPARE(fits.size(), lists::MaxRecordBytes);
        QVERIFY(writeBytes(path(), fits + "\r\n" + fits + "\n" + record(2, "after")));
        EntryList rows = priorRows();
        QVERIFY(!LoadEntryList(path(), rows));
        QCOMPARE(rows[0], (EntryRow{1, QString(lists::MaxRecordBytes - 4, u'a')}));
        QCOMPARE(rows[1], rows[0]);
        QCOMPARE(rows[2], (EntryRow{2, QStringLiteral("after")}));

        // Too long: its start is the record, and reading ends there.
        const QByteArray tooLong = prefix + QByteArray(3 * lists::MaxRecordBytes, 'b') + "\"";
        QVERIFY(writeBytes(path(), record(1, "first") + tooLong + "\r\n" + record(2, "after")));
        rows = priorRows();
        QVERIFY(!LoadEntryList(path(), rows));
        QCOMPARE(rows[0], (EntryRow{1, QStringLiteral("first")}));
        QCOMPARE(rows[1], (EntryRow{1, QString(lists::MaxRecordBytes - prefix.size(), u'b')}));
        QCOMPARE(rows[2], priorRows()[2]);
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

    // Characters that cannot be stored: nothing is written, not even a temporary file,
    // and the error lists the rows.
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
        QVERIFY(bool(e));
        QCOMPARE(e.rows, (QList<int>{2, 16, 20}));
        QVERIFY2(e.message.contains(QStringLiteral("3, 17, 21 行目")), qPrintable(e.message));
        QVERIFY2(e.message.contains(kListName), qPrintable(e.message));
        QVERIFY2(e.message.contains(QStringLiteral("😀、é")), qPrintable(e.message));
        if (fileExists) {
            QCOMPARE(readBytes(path()), old);
            QCOMPARE(strayFiles(folder(), {kListName}), QStringList());
        } else {
            QCOMPARE(strayFiles(folder(), {}), QStringList());
        }
    }

    // A control character would break the record (CR, LF) or is garbage in a name: it is
    // refused like an unencodable one, never written.
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
        QVERIFY2(e.message.contains(QStringLiteral("40 行目")), qPrintable(e.message));
        QVERIFY2(e.message.contains(shown), qPrintable(e.message));
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
        EntryList rows = priorRows();
        checkIoMessage(LoadEntryList(inMissing, rows), inMissing, QStringLiteral("見つかりません"));
        QVERIFY(rows == priorRows());
        checkIoMessage(SaveEntryList(inMissing, sampleRows()), inMissing, QStringLiteral("見つかりません"));
        QCOMPARE(strayFiles(folder(), {}), QStringList());
    }

    void folderIsNotWritable()
    {
        const QString folder = m_dir->filePath(QStringLiteral("locked"));
        if (!permissionsApply(folder))
            QSKIP("file permissions do not apply to this user (root); cannot make a folder unwritable");
        const QString file = folder + u'/' + kListName;
        const QByteArray old = record(1, "old") + emptyRecords(39);
        QVERIFY(writeBytes(file, old));
        const QString missing = folder + QStringLiteral("/TBKEIHIN.DAT");
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));

        const ListError save = SaveEntryList(file, sampleRows());
        EntryList rows = priorRows();
        const ListError load = LoadEntryList(missing, rows);
        EntryList fromOld = priorRows();
        const ListError loadOld = LoadEntryList(file, fromOld);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        checkIoMessage(save, file, QStringLiteral("アクセスが拒否されました"));
        QCOMPARE(readBytes(file), old);
        QCOMPARE(strayFiles(folder, {kListName}), QStringList());
        checkIoMessage(load, missing, QStringLiteral("アクセスが拒否されました"));
        QVERIFY(rows == priorRows());
        // An existing list in such a folder can still be read.
        QVERIFY(!loadOld);
        QCOMPARE(fromOld[0], (EntryRow{1, QStringLiteral("old")}));
    }

    void fileIsReadOnly()
    {
        if (!permissionsApply(m_dir->filePath(QStringLiteral("probe"))))
            QSKIP("file permissions do not apply to this user (root); cannot make a file read-only");
        const QByteArray old = record(2, "keep") + emptyRecords(39);
        QVERIFY(writeBytes(path(), old));
        QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner));
        EntryList rows = priorRows();
        QVERIFY(!LoadEntryList(path(), rows));
        QCOMPARE(rows[0], (EntryRow{2, QStringLiteral("keep")}));
        checkIoMessage(SaveEntryList(path(), sampleRows()), path(), QStringLiteral("アクセスが拒否されました"));
        QCOMPARE(readBytes(path()), old);
    }

    void fileIsNotReadable()
    {
        if (!permissionsApply(m_dir->filePath(QStringLiteral("probe"))))
            QSKIP("file permissions do not apply to this user (root); cannot make a file unreadable");
        QVERIFY(writeBytes(path(), record(1, "secret")));
        QVERIFY(QFile::setPermissions(path(), QFile::WriteOwner));
        EntryList rows = priorRows();
        checkIoMessage(LoadEntryList(path(), rows), path(), QStringLiteral("アクセスが拒否されました"));
        QVERIFY(rows == priorRows());
    }

    void diskFull()
    {
#ifndef Q_OS_LINUX
        QSKIP("needs a Linux tmpfs");
#endif
        const QString folder = m_dir->filePath(QStringLiteral("small"));
        Tmpfs tmpfs(folder);
        if (!tmpfs.mount(QStringLiteral("size=128k")))
            QSKIP("cannot mount a small tmpfs here (needs root)");
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
        const ListError e = SaveEntryList(file, big);
        checkIoMessage(e, file, QStringLiteral("ディスクの空き容量が不足しています"));
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
#ifndef Q_OS_LINUX
        QSKIP("needs a Linux tmpfs");
#endif
        const QString folder = m_dir->filePath(QStringLiteral("ro"));
        Tmpfs tmpfs(folder);
        if (!tmpfs.mount(QStringLiteral("size=64k")))
            QSKIP("cannot mount a tmpfs here (needs root)");
        const QString file = folder + u'/' + kListName;
        QVERIFY(!SaveEntryList(file, sampleRows()));
        const QByteArray old = readBytes(file);
        QVERIFY(tmpfs.remount(QStringLiteral("ro")));

        checkIoMessage(SaveEntryList(file, EntryList{}), file, QStringLiteral("書き込み禁止"));
        QCOMPARE(readBytes(file), old);
        EntryList rows;
        QVERIFY(!LoadEntryList(file, rows));  // reading is fine
        QVERIFY(rows == sampleRows());
        const QString missing = folder + QStringLiteral("/TBKEIHIN.DAT");
        rows = priorRows();
        checkIoMessage(LoadEntryList(missing, rows), missing, QStringLiteral("書き込み禁止"));
        QVERIFY(rows == priorRows());
    }

    // A read that fails half-way leaves the rows as they were.
    void readError()
    {
#ifndef Q_OS_LINUX
        QSKIP("needs Linux's /proc/self/mem, whose first page cannot be read");
#endif
        const QString mem = QStringLiteral("/proc/self/mem");
        EntryList rows = priorRows();
        checkIoMessage(LoadEntryList(mem, rows), mem, QStringLiteral("読み書きに失敗しました"));
        QVERIFY(rows == priorRows());
    }

#ifdef Q_OS_UNIX
    void saveKeepsPermissionsAndLinks()
    {
        QVERIFY(writeBytes(path(), emptyRecords(40)));
        QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(!SaveEntryList(path(), sampleRows()));
        const QFile::Permissions modeBits = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                            | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther
                                            | QFile::ExeOther;
        QCOMPARE(QFile::permissions(path()) & modeBits, QFile::ReadOwner | QFile::WriteOwner);

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
        QProcess mkfifo;
        mkfifo.start(QStringLiteral("mkfifo"), {path()});
        if (!mkfifo.waitForFinished() || mkfifo.exitCode() != 0)
            QSKIP("mkfifo is not available");
        EntryList rows = priorRows();
        QVERIFY(!LoadEntryList(path(), rows));
        QVERIFY(rows == priorRows());
        const ListError e = SaveEntryList(path(), sampleRows());
        QCOMPARE(e.kind, ListError::Kind::Io);
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
        int rounds = 0;
        int sawSmall = 0;
        int sawBig = 0;
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
        const int leftOver = strayFiles(folder(), {kListName}).size();
        qInfo("%d kills: %d left the empty list, %d the long one, %d in the middle of writing (temporary file left)",
              rounds, sawSmall, sawBig, leftOver);
        EntryList rows;
        QVERIFY(!LoadEntryList(path(), rows));
        QVERIFY(rows == small || rows == big);
    }
};

QTEST_GUILESS_MAIN(TestEntryList)
#include "tst_entrylist.moc"
