// The list files: the bytes written, what is read back (also from files other programs
// wrote), code page 932 as Windows has it, and that no failure loses the old list.

#include "platform/cp932.h"
#include "tests/listcheck.h"
#include "tests/testing.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QThread>

#ifdef Q_OS_WIN
#  include <windows.h>
#  include <aclapi.h>
#  include <sddl.h>
#else
#  include <sys/mount.h>
#  include <sys/resource.h>
#  include <unistd.h>
#endif

using namespace lists;
using namespace Qt::StringLiterals;

namespace {

const QString kList = QStringLiteral("TBNAME.DAT");
enum Place { Gone, Folder, Full, ReadOnly, Locked, LockedEmpty, Unreadable, MarkedReadOnly, HeldOpen };
enum Given { Links, OwnerOnly, Hidden };

// Forty long names: a save that takes a while.
EntryList bigRows()
{
    EntryList rows;
    rows.fill(EntryRow{1, QString(2000, QChar(0x6F22))});
    return rows;
}

EntryList priorRows()
{
    EntryList rows;
    for (int i = 0; i < RowCount; ++i)
        rows[size_t(i)] = EntryRow{qint16(i % 3), QStringLiteral("前の%1").arg(i)};
    return rows;
}

// Code page 932 as Windows has it: ICU's windows-31j on Linux, and on Windows (whose Qt has
// no ICU) the code page of a Japanese Windows itself.
#ifdef Q_OS_WIN
const auto kWindows31j = QStringConverter::System;
#else
const char *const kWindows31j = "windows-31j";
#endif
QByteArray icu(QStringView text) { return QStringEncoder(kWindows31j).encode(text); }
QString fromIcu(const QByteArray &bytes) { return QStringDecoder(kWindows31j).decode(bytes); }

#ifdef Q_OS_WIN
// How the file stands: its hidden mark and its permissions (the DACL).
QString standing(const QString &path)
{
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    QString out = QString::number(GetFileAttributesW(name.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    PSECURITY_DESCRIPTOR sd = nullptr;
    LPWSTR sddl = nullptr;
    if (GetNamedSecurityInfoW(name.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr, &sd) == ERROR_SUCCESS
        && ConvertSecurityDescriptorToStringSecurityDescriptorW(sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &sddl, nullptr))
        out += QString::fromWCharArray(sddl);
    LocalFree(sddl);
    LocalFree(sd);
    return out;
}

// What a user may give a list in Explorer: access for its owner only, or the hidden mark.
bool give(const QString &path, Given what)
{
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    if (what == Hidden)
        return SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_HIDDEN);
    PSECURITY_DESCRIPTOR sd = nullptr;
    PACL dacl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    const bool ok = ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;OW)", SDDL_REVISION_1, &sd, nullptr)
                    && GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted)
                    && SetNamedSecurityInfoW(const_cast<LPWSTR>(name.c_str()), SE_FILE_OBJECT,
                                             DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                             nullptr, dacl, nullptr) == ERROR_SUCCESS;
    LocalFree(sd);
    return ok;
}
#else
QString standing(const QString &path) { return QString::number(int(QFile::permissions(path))); }
bool give(const QString &path, Given what)
{
    return what == OwnerOnly && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}
#endif

}  // namespace

class TestLists : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path() const { return m_dir->filePath(kList); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
#ifdef Q_OS_WIN
        QVERIFY2(GetACP() == 932, "the reference is the system's code page: run on a Japanese Windows (under Wine LANG=ja_JP.UTF-8)");
#endif
    }

    void writesRecordsByteForByte_data()
    {
        QTest::addColumn<int>("tick");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("readBack");  // null: the text itself
        QTest::newRow("unticked, empty") << 0 << QString() << QByteArray::fromHex("302C22220D0A") << QString();
        QTest::newRow("ticked ABC") << 1 << QStringLiteral("ABC") << QByteArray::fromHex("312C22414243220D0A") << QString();
        QTest::newRow("greyed 参加者") << 2 << QStringLiteral("参加者") << QByteArray::fromHex("322C228E5189C18ED2220D0A") << QString();
        QTest::newRow("no escaping") << 0 << QStringLiteral(" a,b \"c\" ") << QByteArray("0,\" a,b \"c\" \"\r\n") << QString();
        // Duplicate codes as Windows writes them, and what Linux input methods type for JIS
        // characters: stored as Windows stores them, read back as Windows reads them.
        QTest::newRow("IBM kanji") << 1 << QStringLiteral("髙﨑ⅲ") << QByteArray::fromHex("312C22FBFCFAB1FA42220D0A") << QString();
        QTest::newRow("Linux twins") << 0 << QStringLiteral("〜‖−¢£¬") << QByteArray::fromHex("302C2281608161817C8191819281CA220D0A")
                                     << QStringLiteral("～∥－￠￡￢");
    }
    void writesRecordsByteForByte()
    {
        QFETCH(int, tick);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, readBack);
        EntryList rows;
        rows[39] = EntryRow{qint16(tick), text};
        // Leftovers of a save killed half-way go with the next good save; nothing else does.
        const QStringList leftovers = {kList + QStringLiteral(".1a2b3c4d.tmp"), kList + QStringLiteral(".bak")};
        for (const QString &f : leftovers)
            QVERIFY(writeFile(m_dir->filePath(f), "x"));
        QVERIFY(!SaveEntryList(path(), rows));
        QCOMPARE(readFile(path()), record(0).repeated(39) + bytes);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), (QStringList{kList, leftovers[1]}));
        EntryList back = priorRows();
        QVERIFY(!LoadEntryList(path(), back));
        QCOMPARE(back[39], (EntryRow{qint16(tick), readBack.isNull() ? text : readBack}));
    }

    // Random lists of every character Windows writes: the bytes are ICU's, and they read back.
    void randomListsRoundTrip()
    {
        QString pool = QStringLiteral("\"\",,  ");
        for (char16_t c = 0x20; c < 0xFFFF; ++c) {
            if (!QChar::isSurrogate(c) && c != 0x7F && c != 0xFFFD && fromIcu(icu(QStringView(&c, 1))) == QStringView(&c, 1))
                pool += QChar(c);
        }
        QRandomGenerator rng(20261207);
        for (int round = 0; round < 200; ++round) {
            EntryList rows;
            QByteArray expected;
            for (EntryRow &row : rows) {
                row.tick = qint16(rng.bounded(3));
                for (int n = rng.bounded(3) ? rng.bounded(12) : 0; n > 0; --n)
                    row.text += pool[rng.bounded(int(pool.size()))];
                expected += record(row.tick, icu(row.text));
            }
            QVERIFY(!SaveEntryList(path(), rows));
            QCOMPARE(readFile(path()), expected);
            EntryList back = priorRows();
            QVERIFY(!LoadEntryList(path(), back));
            QCOMPARE(QList<EntryRow>(back.begin(), back.end()), QList<EntryRow>(rows.begin(), rows.end()));
        }
    }

    // Files that other programs wrote; `expected` are the first rows, the others keep theirs.
    void readsFilesItDidNotWrite_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<EntryRow>>("expected");
        const auto rows = [](std::initializer_list<std::pair<int, const char *>> list) {
            QList<EntryRow> out;
            for (const auto &[tick, text] : list)
                out.append(EntryRow{qint16(tick), QString::fromUtf8(text)});
            return out;
        };
        QTest::newRow("no file: created empty") << QByteArray() << rows({});
        QTest::newRow("LF, no end on the last line") << QByteArray("1,\"A\"\n2,\"B\"") << rows({{1, "A"}, {2, "B"}});
        QTest::newRow("a blank line keeps the numbering") << QByteArray("1,\"A\"\r\n\r\n1,\"C\"\r\n") << rows({{1, "A"}, {0, ""}, {1, "C"}});
        QTest::newRow("Excel CSV: no quotes") << icu(u"1,山田\r\n0,佐藤 花子\r\n") << rows({{1, "山田"}, {0, "佐藤 花子"}});
        QTest::newRow("quotes inside") << QByteArray("1,\"say \"hi\"\"\r\n") << rows({{1, "say \"hi\""}});
        QTest::newRow("ticks") << QByteArray("-1,a\r\n 2 ,b\r\n+1,c\r\n3,d\r\nx,e\r\n1\r\n")
                               << rows({{0, "a"}, {2, "b"}, {1, "c"}, {0, "d"}, {0, "e"}, {1, ""}});
        QTest::newRow("invalid bytes") << QByteArray("1,\"\x85\x40x\x81\"\r\n") << rows({{1, "�x�"}});
        // Spreadsheets' "CSV UTF-8": Excel's with the byte order mark, LibreOffice's without.
        QTest::newRow("Excel CSV UTF-8") << QByteArray("\xEF\xBB\xBF" "1,山田\r\n0,髙橋\r\n") << rows({{1, "山田"}, {0, "髙橋"}});
        QTest::newRow("LibreOffice CSV UTF-8") << QByteArray("1,\"山田 太郎\"\n0,\"佐藤 花子\"\n1,\"ｶﾅ 😀\"\n")
                                               << rows({{1, "山田 太郎"}, {0, "佐藤 花子"}, {1, "ｶﾅ 😀"}});
        // Code page 932 that is valid UTF-8 as well (ﾃｨ is C3 A8, è), even cut too long in a pair (81 40): read back as written.
        const QByteArray kana = QByteArray("\xC3\xA8").repeated(MaxRecordBytes / 2 - 2);
        QTest::newRow("code page 932, valid UTF-8 too") << "1," + kana + "\xC3\x81\x40\r\n1,\"\xC3\xA8\"\r\n" << rows({{1, (QByteArray("ﾃｨ").repeated(kana.size() / 2) + "ﾃ").constData()}, {1, "ﾃｨ"}});
        const QByteArray tooLong = QByteArray(MaxRecordBytes - 3, 'a') + QByteArray("山").repeated(MaxRecordBytes);  // over several reads, cut in 山
        QTest::newRow("UTF-8, a record too long") << "1," + tooLong + "\r\n2,ｶﾅ 😀\r\n" << rows({{1, tooLong.first(MaxRecordBytes - 3).constData()}, {2, "ｶﾅ 😀"}});
        QTest::newRow("45 records") << record(2, "x").repeated(45) << QList<EntryRow>(RowCount, EntryRow{2, u"x"_s});
    }
    void readsFilesItDidNotWrite()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<EntryRow>, expected);
        if (!bytes.isNull())
            QVERIFY(writeFile(path(), bytes));
        EntryList rows = priorRows();
        QVERIFY(!LoadEntryList(path(), rows));
        for (int i = 0; i < RowCount; ++i)
            QCOMPARE(rows[size_t(i)], i < expected.size() ? expected[i] : priorRows()[size_t(i)]);
        QCOMPARE(readFile(path()), bytes.isNull() ? QByteArray("") : bytes);
    }

    void randomFilesAreReadSafely()
    {
        QRandomGenerator rng(42);
        const char special[] = "\r\n\",\x81\xE0 ";
        for (int round = 0; round < 2000; ++round) {
            QByteArray bytes(rng.bounded(600), Qt::Uninitialized);
            for (char &b : bytes)
                b = rng.bounded(4) ? char(rng.bounded(256)) : special[rng.bounded(int(sizeof special - 1))];
            const QString why = listFileHolds(m_dir->path(), bytes);
            QVERIFY2(why.isEmpty(), qPrintable(why + QStringLiteral(" for ") + QString::fromLatin1(bytes.toHex())));
        }
    }

    // A gigabyte of zeros, without a line end, is neither read to its end nor held in memory.
    void aGigabyteOfZeros()
    {
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(qint64(1) << 30));
        f.close();
        EntryList rows = priorRows();
#ifndef Q_OS_WIN
        rusage before, after;
        getrusage(RUSAGE_SELF, &before);
        QVERIFY(!LoadEntryList(path(), rows));
        getrusage(RUSAGE_SELF, &after);
        QVERIFY2(after.ru_maxrss - before.ru_maxrss < 64 * 1024, "the file was held in memory");
#else
        QVERIFY(!LoadEntryList(path(), rows));  // the reader is the same; the memory is measured on Linux
#endif
        QCOMPARE(rows[0], EntryRow{});
        QCOMPARE(rows[1], priorRows()[1]);
    }

    // Text the file cannot hold is refused, naming the rows and characters; nothing is written.
    void refusesWhatCannotBeStored()
    {
        const QByteArray old = record(1, "old") + record(0).repeated(39);
        QVERIFY(writeFile(path(), old));
        for (const auto &[text, shown] : {std::pair{u"田中😀"_s, u"😀"_s}, {u"café"_s, u"é"_s}, {u"a\nb"_s, u"U+000A"_s},
                                          {QString(QChar(0xFFFD)), u"U+FFFD"_s}}) {
            EntryList rows = priorRows();
            rows[2].text = rows[16].text = text;
            const ListError e = SaveEntryList(path(), rows);
            QCOMPARE(e.kind, ListError::Kind::Unencodable);
            QCOMPARE(e.rows, (QList<int>{2, 16}));
            for (const QString &part : {kList, QStringLiteral("3, 17 行目"), shown})
                QVERIFY2(e.message.contains(part), qPrintable(e.message));
            QCOMPARE(readFile(path()), old);
            QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{kList});
        }
    }

    // Whatever goes wrong, the message names the file and the reason, the old list stays
    // whole, no temporary file is left, and rows being loaded stay as they were.
    void failuresKeepTheOldList_data()
    {
        QTest::addColumn<int>("place");
        QTest::addColumn<QString>("saveReason");
        QTest::addColumn<QString>("loadReason");  // empty: the old list still loads
        const QString denied = QStringLiteral("アクセスが拒否されました");
        QTest::newRow("folder missing") << int(Gone) << QStringLiteral("見つかりません") << QStringLiteral("見つかりません");
        QTest::newRow("a folder of that name") << int(Folder) << QStringLiteral("フォルダー") << QStringLiteral("フォルダー");
        QTest::newRow("disk full") << int(Full) << QStringLiteral("空き容量が不足") << QString();
        QTest::newRow("read-only disk") << int(ReadOnly) << QStringLiteral("書き込み禁止") << QString();
        QTest::newRow("folder not writable") << int(Locked) << denied << QString();
        QTest::newRow("no list, folder not writable") << int(LockedEmpty) << denied << denied;
        QTest::newRow("list not readable") << int(Unreadable) << denied << denied;
        QTest::newRow("list marked read-only") << int(MarkedReadOnly) << QStringLiteral("読み取り専用") << QString();
        // As a spreadsheet holds a CSV file it has open: others may read it, not write it.
        QTest::newRow("list held open by another program") << int(HeldOpen) << QStringLiteral("ほかのプログラム") << QString();
    }
    void failuresKeepTheOldList()
    {
        QFETCH(int, place);
        QFETCH(QString, saveReason);
        QFETCH(QString, loadReason);
        const QByteArray old = record(1, "old") + record(0).repeated(39);
        const QString dir = m_dir->filePath(place == Gone ? QStringLiteral("work/gone") : QStringLiteral("work"));
        const QString file = dir + u'/' + kList;
        QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("work"))));
        const bool disk = place == Full || place == ReadOnly;
#ifdef Q_OS_WIN
        if (disk || (place >= Locked && place <= Unreadable))
            QSKIP("a small disk and the user nobody are Linux's; Windows has its rows");
        const HANDLE holder = place != HeldOpen ? INVALID_HANDLE_VALUE
            : CreateFileW(QDir::toNativeSeparators(file).toStdWString().c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                          nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        QVERIFY(place != HeldOpen || (holder != INVALID_HANDLE_VALUE && WriteFile(holder, old.constData(), DWORD(old.size()), nullptr, nullptr)));
#else
        if (place >= MarkedReadOnly)
            QSKIP("only Windows marks a file read-only or lets a program hold it unshared");
        if (place >= Locked && place <= Unreadable && geteuid() == 0)
            QSKIP("root is not held to permissions: ctest runs this row as nobody (tst_lists_as_nobody)");
        REQUIRE_OR_SKIP(!disk || geteuid() == 0, "mounting a small disk needs root");
        QVERIFY(!disk || QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=64k"_s, u"tmpfs"_s, dir}) == 0);
        const auto unmount = qScopeGuard([&] {
            if (disk)
                umount2(qPrintable(dir), MNT_DETACH);
        });
#endif
        QVERIFY(place == Folder ? QDir().mkdir(file) : place == Gone || place == LockedEmpty || place == HeldOpen || writeFile(file, old));
        QVERIFY(place != MarkedReadOnly || QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadUser | QFile::ReadOther));
        if (place == Full) {  // to the last byte
            QFile filler(dir + QStringLiteral("/filler"));
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            while (filler.write(QByteArray(4096, 'f')) > 0 || filler.write("f", 1) > 0) {
            }
        }
        QVERIFY(place != ReadOnly || QProcess::execute(u"mount"_s, {u"-o"_s, u"remount,ro"_s, dir}) == 0);
#ifndef Q_OS_WIN
        if (place >= Locked && place <= Unreadable) {
            QFile::setPermissions(dir, QFile::Permissions(0x5555));
            QFile::setPermissions(file, QFile::Permissions(place == Unreadable ? 0 : 0x6444));
        }
#endif
        const QStringList before = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        EntryList big;
        big.fill(EntryRow{1, QString(1000, QChar(0x6F22))});
        const auto fails = [&file](const ListError &e, const QString &reason) {
            return e && e.message.contains(QDir::toNativeSeparators(file)) && e.message.contains(reason);
        };
        const ListError saved = SaveEntryList(file, big);
        EntryList rows = priorRows();
        const ListError loaded = LoadEntryList(file, rows);
        QFile::setPermissions(dir, QFile::Permissions(0x7755));
        QFile::setPermissions(file, QFile::Permissions(0x6644));
#ifdef Q_OS_WIN
        CloseHandle(holder);  // before the old list is read back
#endif
        QVERIFY2(fails(saved, saveReason), qPrintable(saved.message));
        const bool kept = loadReason.isEmpty() ? !loaded && rows[0] == EntryRow{1, QStringLiteral("old")} : rows == priorRows();
        QVERIFY2(kept && (loadReason.isEmpty() || fails(loaded, loadReason)), qPrintable(loaded.message));
        QCOMPARE(QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        if (place != Folder && before.contains(kList))
            QCOMPARE(readFile(file), old);
    }

    // Two copies of the program saving the same list at once both succeed; a copy killed at
    // any moment leaves the whole old list or the whole new one.
    void savesFromTwoCopies()
    {
        QVERIFY(!SaveEntryList(path(), bigRows()));
        const QByteArray bigBytes = readFile(path());
        QRandomGenerator rng(7);
        for (int round = 0; round < 30; ++round) {
            QVERIFY(!SaveEntryList(path(), EntryList{}));
            QProcess other;
            other.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--keep-saving"), path()});
            QVERIFY(other.waitForReadyRead(20000));
            for (int i = 0; i < 3; ++i) {
                const ListError e = SaveEntryList(path(), EntryList{});
                QVERIFY2(!e, qPrintable(e.message));
            }
            QThread::usleep(rng.bounded(4000));
            QVERIFY2(other.state() == QProcess::Running, other.readAllStandardError().constData());
            other.kill();
            QVERIFY(other.waitForFinished());
            const QByteArray got = readFile(path());
            QVERIFY2(got == bigBytes || got == record(0).repeated(40), qPrintable(QStringLiteral("round %1: %2 bytes").arg(round).arg(got.size())));
        }
    }

    // A save keeps what the user gave the list: the links it is kept through, whom it is
    // readable by, its hidden mark.
    void saveKeepsWhatTheFileWasGiven()
    {
        for (const Given given : {Links, OwnerOnly, Hidden}) {  // a link to a link to the list, for its owner only, hidden
            const QString dir = m_dir->filePath(QString::number(given)), list = dir + u'/' + kList;
            const QString real = dir + QStringLiteral("/shared.dat"), middle = dir + QStringLiteral("/middle");
            QVERIFY(QDir().mkdir(dir) && writeFile(real, {}));
#ifdef Q_OS_WIN
            if (given == Links)
                continue;  // a list kept through links is a POSIX habit; Windows' shortcuts are files
#endif
            QVERIFY(given == Links ? QFile::link(real, middle) && QFile::link(middle, list) : QFile::rename(real, list));
            if (given != Links && !give(list, given))
                continue;  // this system has no such mark
            const QString before = standing(list);
            QVERIFY(!SaveEntryList(list, EntryList{}));
            QCOMPARE(standing(list), before);
            QCOMPARE(readFile(given == Links ? real : list), record(0).repeated(40));
            QVERIFY(given != Links || (QFileInfo(list).isSymLink() && QFileInfo(middle).isSymLink()));
        }
    }
};

// Run as `tst_lists --keep-saving FILE`, the test program is a second copy of Lotarin that
// saves the list over and over until it is killed, and ends at once if a save fails.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && arguments[1] == QLatin1String("--keep-saving")) {
        for (int i = 0;; ++i) {
            if (const ListError e = SaveEntryList(arguments[2], i % 2 ? EntryList{} : bigRows())) {
                std::fputs(e.message.toUtf8().constData(), stderr);
                return 1;
            }
            if (i == 0)
                std::fputs("saving\n", stdout), std::fflush(stdout);
        }
    }
    TestLists test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lists.moc"
