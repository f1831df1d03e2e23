// The list files: the bytes written, what is read back, and that no failure loses the old list.

#include "platform/cp932.h"
#include "tests/testing.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QThread>

#ifdef Q_OS_WIN
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#else
#include <sys/mount.h>
#include <unistd.h>
#endif

using namespace lists;
using namespace Qt::StringLiterals;

namespace {

const QString kList = u"TBNAME.DAT"_s;
const QByteArray kOld = record(1, "old") + record(0).repeated(39);
enum Place { Full, Unreadable, MarkedReadOnly, HeldOpen };
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
        rows[i] = EntryRow{qint16(i % 3), u"前の%1"_s.arg(i)};
    return rows;
}

// Code page 932 as Windows has it: ICU's windows-31j; on Windows (its Qt has no ICU) the system's own.
#ifdef Q_OS_WIN
const auto kWindows31j = QStringConverter::System;
#else
const char *const kWindows31j = "windows-31j";
#endif
QByteArray icu(QStringView text)
{
    return QStringEncoder(kWindows31j).encode(text);
}

#ifdef Q_OS_WIN
// How the file stands: its hidden mark and its permissions (the DACL).
QString standing(const QString &path)
{
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    QString out = QString::number(GetFileAttributesW(name.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    PSECURITY_DESCRIPTOR sd = nullptr;
    LPWSTR sddl = nullptr;
    if (GetNamedSecurityInfoW(name.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                              nullptr, &sd)
            == ERROR_SUCCESS
        && ConvertSecurityDescriptorToStringSecurityDescriptorW(sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &sddl,
                                                                nullptr))
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
    const bool ok =
        ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;OW)", SDDL_REVISION_1, &sd, nullptr)
        && GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted)
        && SetNamedSecurityInfoW(const_cast<LPWSTR>(name.c_str()), SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                 dacl, nullptr)
               == ERROR_SUCCESS;
    LocalFree(sd);
    return ok;
}
#else
QString standing(const QString &path)
{
    return QString::number(int(QFile::permissions(path)));
}
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
        QVERIFY2(GetACP() == 932, "a Japanese Windows (under Wine LANG=ja_JP.UTF-8)");
#endif
    }

    // Random lists of every character Windows writes: ICU's bytes, read back; the longest name, and the JIS twins
    // Linux input methods type, saved as Windows' own. A save removes a killed save's leftovers, nothing else.
    void randomListsRoundTrip()
    {
        QString pool = u"\"\",,  "_s;
        for (char16_t c = 0x20; c < 0xFFFF; ++c)
            if (!QChar::isSurrogate(c) && c != 0x7F && c != 0xFFFD
                && QString(QStringDecoder(kWindows31j).decode(icu(QStringView(&c, 1)))) == QStringView(&c, 1))
                pool += QChar(c);
        for (const QString &f : {u".1a2b3c4d.tmp"_s, u".bak"_s})
            QVERIFY(writeFile(path() + f, "x"));
        QRandomGenerator rng(20261207);
        for (int round = 0; round < 200; ++round) {
            EntryList rows, back = priorRows();
            for (EntryRow &row : rows) {
                row.tick = qint16(rng.bounded(3));
                for (int n = rng.bounded(3) ? rng.bounded(12) : 0; n > 0; --n)
                    row.text += pool[rng.bounded(int(pool.size()))];
            }
            if (round == 0)
                rows[38].text = QString((MaxRecordBytes - 4) / 2, u'ア'), rows[39].text = u"～∥－￠￡￢"_s;
            QByteArray expected;
            for (const EntryRow &row : rows)
                expected += record(row.tick, icu(row.text));
            const QList<EntryRow> read(rows.begin(), rows.end());
            if (round == 0)
                rows[39].text = u"〜‖−¢£¬"_s;
            QVERIFY(!SaveEntryList(path(), rows));
            QCOMPARE(readFile(path()), expected);
            QVERIFY(!LoadEntryList(path(), back));
            QCOMPARE(QList<EntryRow>(back.begin(), back.end()), read);
        }
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), (QStringList{kList, kList + u".bak"_s}));
    }

    // Files that other programs wrote; `expected` are the first rows, the others keep theirs.
    void readsFilesItDidNotWrite_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<EntryRow>>("expected");
        using Rows = QList<EntryRow>;
        QTest::newRow("no file: created empty") << QByteArray() << Rows();
        QTest::newRow("ticks") << QByteArray("-1,a\r\n 2 ,b\r\n+1,c\r\n3,d\r\nx,e\r\n1\r\n")
                               << Rows{{0, u"a"_s}, {2, u"b"_s}, {1, u"c"_s}, {0, u"d"_s}, {0, u"e"_s}, {1, {}}};
        QTest::newRow("invalid bytes") << QByteArray("1,\"\x85\x40x\x81\"\r\n") << Rows{{1, u"�x�"_s}};
        // Spreadsheets' "CSV UTF-8": Excel's with the byte order mark, LibreOffice's without (LF, a blank line, no
        // last line end), here with a record too long.
        QTest::newRow("Excel CSV UTF-8") << QByteArray("\xEF\xBB\xBF"
                                                       "1,山田\r\n0,髙橋\r\n")
                                         << Rows{{1, u"山田"_s}, {0, u"髙橋"_s}};
        // Code page 932 that is valid UTF-8 too (ﾃｨ is C3 A8, è), even cut in a pair (81 40): read as written.
        const QByteArray kana = QByteArray("\xC3\xA8").repeated(MaxRecordBytes / 2 - 2);
        QTest::newRow("code page 932, valid UTF-8 too")
            << "1," + kana + "\xC3\x81\x40\r\n1,\"\xC3\xA8\"\r\n"
            << Rows{{1, u"ﾃｨ"_s.repeated(kana.size() / 2) + u'ﾃ'}, {1, u"ﾃｨ"_s}};
        const QByteArray tooLong = QByteArray(MaxRecordBytes - 3, 'a') + QByteArray("山").repeated(MaxRecordBytes);
        QTest::newRow("LibreOffice CSV UTF-8, a record too long")
            << "1," + tooLong + "\n\n2,\"ｶﾅ 😀\""
            << Rows{{1, QString(MaxRecordBytes - 3, u'a')}, {0, {}}, {2, u"ｶﾅ 😀"_s}};
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
            QCOMPARE(rows[i], i < expected.size() ? expected[i] : priorRows()[i]);
        QCOMPARE(readFile(path()), bytes);
    }

    // Text the file cannot hold, or a name the reader would cut, is refused, naming the rows; nothing is written.
    void refusesWhatCannotBeStored()
    {
        QVERIFY(writeFile(path(), kOld));
        for (const auto &[text, shown] : {std::pair{u"田中😀"_s, u"😀"_s},
                                          {u"a\nb"_s, u"U+000A"_s},
                                          {QString((MaxRecordBytes - 4) / 2, u'ア') + u'a', u"長すぎ"_s}}) {
            EntryList rows = priorRows();
            rows[2].text = rows[16].text = text;
            const ListError e = SaveEntryList(path(), rows);
            QCOMPARE(e.rows, (QList<int>{2, 16}));
            for (const QString &part : {kList, u"3, 17 行目"_s, shown})
                QVERIFY2(e.message.contains(part), qPrintable(e.message));
            QCOMPARE(readFile(path()), kOld);
        }
    }

    // A failure names the file and the reason; the old list, the folder and the rows being loaded stay as they were.
    void failuresKeepTheOldList_data()
    {
        QTest::addColumn<int>("place");
        QTest::addColumn<QString>("reason");
        QTest::newRow("disk full") << int(Full) << u"空き容量が不足"_s;
        QTest::newRow("list not readable, folder not writable") << int(Unreadable) << u"アクセスが拒否"_s;
        QTest::newRow("list marked read-only") << int(MarkedReadOnly) << u"読み取り専用"_s;
        // As a spreadsheet holds a CSV file it has open: others may read it, not write it.
        QTest::newRow("list held open by another program") << int(HeldOpen) << u"ほかのプログラム"_s;
    }
    void failuresKeepTheOldList()
    {
        QFETCH(int, place);
        QFETCH(QString, reason);
        const bool asNobody = place == Unreadable;
#ifdef Q_OS_WIN
        // The small disk that tests/windows/wine-test mounted.
        const QString root = place == Full ? qEnvironmentVariable("LOTARIN_SMALL_DISK") : m_dir->path();
        REQUIRE_OR_SKIP(!root.isEmpty(), "a small disk: the runner mounts one when it runs as root");
        const auto emptied = qScopeGuard([&] {
            if (place == Full)
                QDir(root + u"/work"_s).removeRecursively();
        });
#else
        const QString root = m_dir->path();
#endif
        const QString dir = root + u"/work"_s, file = dir + u'/' + kList;
        QVERIFY(QDir().mkpath(dir));
#ifdef Q_OS_WIN
        if (asNobody)
            QSKIP("the user nobody is Linux's; Windows has its rows");
        const HANDLE holder = place != HeldOpen ? INVALID_HANDLE_VALUE
                                                : CreateFileW(QDir::toNativeSeparators(file).toStdWString().c_str(),
                                                              GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        QVERIFY(place != HeldOpen
                || (holder != INVALID_HANDLE_VALUE
                    && WriteFile(holder, kOld.constData(), DWORD(kOld.size()), nullptr, nullptr)));
#else
        if (place >= MarkedReadOnly)
            QSKIP("only Windows marks a file read-only or lets a program hold it unshared");
        REQUIRE_OR_SKIP(place != Full || geteuid() == 0, "mounting a small disk needs root");
        QVERIFY(place != Full || ::mount("tmpfs", qPrintable(dir), "tmpfs", 0, "size=64k") == 0);
        const auto unmount = qScopeGuard([&] {
            if (place == Full)
                umount2(qPrintable(dir), MNT_DETACH);
        });
#endif
        QVERIFY(place == HeldOpen || writeFile(file, kOld));
        QVERIFY(place != MarkedReadOnly
                || QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadUser | QFile::ReadOther));
        if (place == Full) {  // to the last byte
            QFile filler(dir + u"/filler"_s);
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            while (filler.write(QByteArray(4096, 'f')) > 0 || filler.write("f", 1) > 0) {}
        }
#ifndef Q_OS_WIN
        if (asNobody) {
            QFile::setPermissions(m_dir->path(), QFile::Permissions(0x7555));
            QFile::setPermissions(dir, QFile::Permissions(geteuid() == 0 ? 0x7555 : 0x5555));
            QFile::setPermissions(file, QFile::Permissions());
        }
        // Permissions do not hold root: save and load as nobody, root kept as the saved id to come back.
        const bool nobody = asNobody && geteuid() == 0;
        QVERIFY(!nobody || (setresgid(65534, 65534, 0) == 0 && setresuid(65534, 65534, 0) == 0));
#endif
        const QStringList before = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const ListError saved = SaveEntryList(file, bigRows());
        EntryList rows = priorRows();
        const ListError loaded = LoadEntryList(file, rows);
#ifdef Q_OS_WIN
        CloseHandle(holder);  // before the old list is read back
#else
        QVERIFY(!nobody || (setresuid(0, 0, 0) == 0 && setresgid(0, 0, 0) == 0));
#endif
        QFile::setPermissions(dir, QFile::Permissions(0x7755));
        QFile::setPermissions(file, QFile::Permissions(0x6644));
        const auto fails = [&](const ListError &e) {
            return e && e.message.contains(QDir::toNativeSeparators(file)) && e.message.contains(reason);
        };
        QVERIFY2(fails(saved), qPrintable(saved.message));
        QVERIFY2(place != Unreadable ? !loaded && rows[0] == (EntryRow{1, u"old"_s})
                                     : fails(loaded) && rows == priorRows(),
                 qPrintable(loaded.message));
        QCOMPARE(QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        QCOMPARE(readFile(file), kOld);
    }

    // Two copies saving the same list at once both succeed; one killed at any moment leaves the old list or the new.
    void savesFromTwoCopies()
    {
        QVERIFY(!SaveEntryList(path(), bigRows()));
        const QByteArray bigBytes = readFile(path());
        QRandomGenerator rng(7);
        for (int round = 0; round < 30; ++round) {
            QVERIFY(!SaveEntryList(path(), EntryList{}));
            QProcess other;
            other.start(QCoreApplication::applicationFilePath(), {u"--keep-saving"_s, path()});
            QVERIFY2(other.waitForReadyRead(20000),
                     qPrintable(other.errorString() + QString::fromUtf8(other.readAllStandardError())));
            for (int i = 0; i < 3; ++i)
                if (const ListError e = SaveEntryList(path(), EntryList{}))
                    QFAIL(qPrintable(e.message));
            QThread::usleep(rng.bounded(4000));
            QVERIFY2(other.state() == QProcess::Running, other.readAllStandardError().constData());
            other.kill();
            QVERIFY(other.waitForFinished());
            const QByteArray got = readFile(path());
            QVERIFY(got == bigBytes || got == record(0).repeated(40));
        }
    }

    // A save keeps what the user gave the list: the links it is kept through, who may read it, its hidden mark.
    void saveKeepsWhatTheFileWasGiven_data()
    {
        QTest::addColumn<int>("given");
        QTest::newRow("a link to a link to the list") << int(Links);
        QTest::newRow("readable by its owner only") << int(OwnerOnly);
        QTest::newRow("hidden") << int(Hidden);
    }
    void saveKeepsWhatTheFileWasGiven()
    {
        QFETCH(int, given);
        const QString real = m_dir->filePath(u"shared.dat"_s), middle = m_dir->filePath(u"middle"_s);
        QVERIFY(writeFile(real, {}));
        if (given == Links) {
#ifdef Q_OS_WIN
            QSKIP("a list kept through links is a POSIX habit; Windows' shortcuts are files");
#endif
            QVERIFY(QFile::link(real, middle) && QFile::link(middle, path()));
        } else {
            QVERIFY(QFile::rename(real, path()));
            if (!give(path(), Given(given)))
                QSKIP("this system has no such mark");
        }
        const QString before = standing(path());
        QVERIFY(!SaveEntryList(path(), EntryList{}));
        QCOMPARE(standing(path()), before);
        QCOMPARE(readFile(given == Links ? real : path()), record(0).repeated(40));
    }
};

// `tst_lists --keep-saving FILE` is a second copy of Lotarin: it saves the list until killed, and ends if a save fails.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    for (int i = 0; arguments.size() == 3 && arguments[1] == u"--keep-saving"_s; ++i) {
        if (const ListError e = SaveEntryList(arguments[2], i % 2 ? EntryList{} : bigRows())) {
            std::fputs(e.message.toUtf8().constData(), stderr);
            return 1;
        }
        if (i == 0)
            std::fputs("saving\n", stdout), std::fflush(stdout);
    }
    TestLists test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lists.moc"
