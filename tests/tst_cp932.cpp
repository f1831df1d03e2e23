// Code page 932 as Windows converts it: the whole decode table against Python's cp932
// codec, the codes written for characters with several codes against ICU and the known
// Windows choices, and the edges (ASCII, malformed bytes, characters outside the table).

#include "platform/cp932.h"

#include <QHash>
#include <QProcess>
#include <QStringConverter>
#include <QTest>

using namespace platform;

namespace {

bool isLead(int b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool isTrail(int b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

QByteArray bytesOf(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

QString hexOf(QByteArrayView bytes) { return QString::fromLatin1(bytes.toByteArray().toHex(' ')); }

QString codePoints(const QString &s)
{
    QStringList parts;
    for (char32_t cp : s.toUcs4())
        parts.append(QStringLiteral("U+%1").arg(QString::number(uint(cp), 16).toUpper().rightJustified(4, u'0')));
    return parts.join(u' ');
}

// What Python's cp932 codec makes of every byte and pair of bytes, decoding strictly: the
// bytes in hex, a space, the code points in hex; no line where Python refuses.
const char *const kPythonTable = R"PY(
out = []
for b in [bytes([x]) for x in range(256)] + [bytes([l, t]) for l in range(256) for t in range(256)]:
    try:
        out.append(b.hex() + ' ' + ','.join('%x' % ord(c) for c in b.decode('cp932')))
    except UnicodeDecodeError:
        pass
print('\n'.join(out))
)PY";

}  // namespace

class TestCp932 : public QObject {
    Q_OBJECT

private:
    QHash<QByteArray, QString> m_python;  // empty if Python could not be run
    QString m_problem;

    // One byte alone, from the reference: a lead byte alone, and a byte Python refuses, are one U+FFFD.
    QString single(int b) const
    {
        const QString s = m_python.value(QByteArray(1, char(b)));
        return s.isEmpty() || isLead(b) ? QString(QChar(0xFFFD)) : s;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QProcess p;
        p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(kPythonTable)});
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            m_problem = QStringLiteral("/usr/bin/python3: %1 %2").arg(p.errorString(), QString::fromLocal8Bit(p.readAllStandardError()));
            return;
        }
        for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
            const qsizetype space = line.indexOf(' ');
            if (space < 0)
                continue;
            QString text;
            for (const QByteArray &cp : line.mid(space + 1).split(',')) {
                const char32_t c = char32_t(cp.toUInt(nullptr, 16));
                text += QString::fromUcs4(&c, 1);
            }
            m_python.insert(QByteArray::fromHex(line.left(space)), text);
        }
    }

    // Every byte and pair of bytes reads as Python reads it; an unassigned pair is one U+FFFD;
    // a lead byte before a byte that cannot trail is one U+FFFD, and the second byte reads alone.
    void bytesAndPairsMatchPython()
    {
        if (m_python.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no reference table: ") + m_problem));
        for (int b = 0; b < 256; ++b) {
            const QByteArray in(1, char(b));
            // Python refuses exactly the lead bytes alone: both agree on which bytes lead.
            QVERIFY2(m_python.contains(in) != isLead(b), qPrintable(hexOf(in)));
            QCOMPARE(cp932::decode(in), single(b));
        }
        int assigned = 0, mismatches = 0;
        QString firstMismatches;
        for (int l = 0; l < 256; ++l) {
            for (int t = 0; t < 256; ++t) {
                const QByteArray in = bytesOf({l, t});
                QString expected;
                if (m_python.contains(in)) {
                    expected = m_python.value(in);
                    if (isLead(l))
                        ++assigned;
                } else if (isLead(l) && isTrail(t)) {
                    expected = QString(QChar(0xFFFD));
                } else if (isLead(l)) {
                    expected = QString(QChar(0xFFFD)) + single(t);
                } else {
                    expected = single(l) + single(t);
                }
                const QString got = cp932::decode(in);
                if (got != expected) {
                    if (++mismatches <= 10)
                        firstMismatches += QStringLiteral("\n  %1: got %2, expected %3")
                                               .arg(hexOf(in), codePoints(got), codePoints(expected));
                }
            }
        }
        QVERIFY2(mismatches == 0, qPrintable(QString::number(mismatches) + QStringLiteral(" mismatches") + firstMismatches));
        // The size of Microsoft's table, user-defined area included.
        QCOMPARE(assigned, 9604);
    }

    // Every character of the table encodes, and decodes back to itself; for characters
    // with one code that code is written.
    void everyCharacterRoundTrips()
    {
        QHash<QString, QList<QByteArray>> codesOf;
        for (int l = 0; l < 256; ++l) {
            for (int t = 0; t < 256; ++t) {
                const QByteArray code = isLead(l) ? bytesOf({l, t}) : QByteArray(1, char(l));
                if ((isLead(l) && isTrail(t)) || (!isLead(l) && t == 0))
                    codesOf[cp932::decode(code)].append(code);
            }
        }
        codesOf.remove(QString(QChar(0xFFFD)));
        int duplicated = 0;
        for (auto it = codesOf.cbegin(); it != codesOf.cend(); ++it) {
            const std::optional<QByteArray> written = cp932::encode(it.key());
            QVERIFY2(written.has_value(), qPrintable(codePoints(it.key())));
            QVERIFY2(it.value().contains(*written), qPrintable(codePoints(it.key()) + u' ' + hexOf(*written)));
            QVERIFY2(cp932::canEncode(it.key()), qPrintable(codePoints(it.key())));
            // Windows never writes the NEC-selected IBM codes.
            QVERIFY2(uchar(written->at(0)) != 0xED && uchar(written->at(0)) != 0xEE,
                     qPrintable(codePoints(it.key()) + u' ' + hexOf(*written)));
            if (it.value().size() > 1)
                ++duplicated;
        }
        QVERIFY(duplicated > 350);  // NEC row 13 and the two IBM extension areas overlap a lot
    }

    // ICU's windows-31j encoder writes what Windows writes among duplicate codes. It
    // differs only in the three rotated ASCII controls and refuses the bytes 0x80, 0xA0
    // and 0xFD-0xFF, which Windows maps to U+0080 and U+F8F0-U+F8F3.
    void duplicateCodesAsIcuWrites()
    {
        QStringEncoder icu("windows-31j", QStringConverter::Flag::Stateless);
        if (!icu.isValid())
            QSKIP("Qt has no windows-31j converter here (built without ICU)");
        int compared = 0;
        QString mismatches;
        for (int l = 0x81; l <= 0xFC; ++l) {
            if (!isLead(l))
                continue;
            for (int t = 0x40; t <= 0xFC; ++t) {
                const QString ch = cp932::decode(bytesOf({l, t}));
                if (ch == QString(QChar(0xFFFD)))
                    continue;
                // A fresh encoder each time: an error stays flagged on an encoder.
                QStringEncoder one("windows-31j", QStringConverter::Flag::Stateless);
                const QByteArray expected = one.encode(ch);
                if (one.hasError())
                    continue;
                ++compared;
                const std::optional<QByteArray> got = cp932::encode(ch);
                if (!got || *got != expected)
                    mismatches += QStringLiteral("\n  %1: got %2, ICU %3")
                                      .arg(codePoints(ch), got ? hexOf(*got) : QStringLiteral("nothing"), hexOf(expected));
            }
        }
        QVERIFY2(mismatches.isEmpty(), qPrintable(mismatches));
        qInfo("%d codes compared", compared);
        QVERIFY(compared > 9000);
    }

    void preferredCode_data()
    {
        QTest::addColumn<int>("character");
        QTest::addColumn<QByteArray>("code");
        // JIS X 0208 before NEC row 13 (and the IBM code).
        QTest::newRow("approximately equal") << 0x2252 << bytesOf({0x81, 0xE0});
        QTest::newRow("identical to") << 0x2261 << bytesOf({0x81, 0xDF});
        QTest::newRow("integral") << 0x222B << bytesOf({0x81, 0xE7});
        QTest::newRow("square root") << 0x221A << bytesOf({0x81, 0xE3});
        QTest::newRow("because") << 0x2235 << bytesOf({0x81, 0xE6});
        QTest::newRow("intersection") << 0x2229 << bytesOf({0x81, 0xBF});
        QTest::newRow("fullwidth not sign") << 0xFFE2 << bytesOf({0x81, 0xCA});
        // NEC row 13 before the IBM extension.
        QTest::newRow("roman numeral one") << 0x2160 << bytesOf({0x87, 0x54});
        QTest::newRow("numero sign") << 0x2116 << bytesOf({0x87, 0x82});
        QTest::newRow("telephone sign") << 0x2121 << bytesOf({0x87, 0x84});
        QTest::newRow("parenthesized stock") << 0x3231 << bytesOf({0x87, 0x8A});
        // The IBM extension, never NEC's selection of it (ED40-EEFC).
        QTest::newRow("small roman one") << 0x2170 << bytesOf({0xFA, 0x40});
        QTest::newRow("fullwidth broken bar") << 0xFFE4 << bytesOf({0xFA, 0x55});
        QTest::newRow("fullwidth apostrophe") << 0xFF07 << bytesOf({0xFA, 0x56});
        QTest::newRow("fullwidth quotation mark") << 0xFF02 << bytesOf({0xFA, 0x57});
        QTest::newRow("IBM kanji 7E8A") << 0x7E8A << bytesOf({0xFA, 0x5C});
        QTest::newRow("IBM kanji 4E28") << 0x4E28 << bytesOf({0xFA, 0x68});
        // What Linux input methods type, written as Windows writes them.
        QTest::newRow("wave dash") << 0x301C << bytesOf({0x81, 0x60});
        QTest::newRow("double vertical line") << 0x2016 << bytesOf({0x81, 0x61});
        QTest::newRow("minus sign") << 0x2212 << bytesOf({0x81, 0x7C});
        QTest::newRow("cent sign") << 0x00A2 << bytesOf({0x81, 0x91});
        QTest::newRow("pound sign") << 0x00A3 << bytesOf({0x81, 0x92});
        QTest::newRow("not sign") << 0x00AC << bytesOf({0x81, 0xCA});
        // Single bytes.
        QTest::newRow("halfwidth katakana a") << 0xFF71 << bytesOf({0xB1});
        QTest::newRow("U+0080") << 0x0080 << bytesOf({0x80});
        QTest::newRow("U+F8F0") << 0xF8F0 << bytesOf({0xA0});
        QTest::newRow("U+F8F3") << 0xF8F3 << bytesOf({0xFF});
    }

    void preferredCode()
    {
        QFETCH(int, character);
        QFETCH(QByteArray, code);
        const QString text = QChar(char16_t(character));
        QCOMPARE(cp932::encode(text), std::optional<QByteArray>(code));
    }

    // Every ASCII code is itself, 0x1A, 0x1C and 0x7F too (ICU rotates those three).
    void asciiIsPlain()
    {
        QByteArray all;
        QString expected;
        for (int b = 0; b < 0x80; ++b) {
            all.append(char(b));
            expected.append(QChar(char16_t(b)));
        }
        QCOMPARE(cp932::decode(all), expected);
        QCOMPARE(cp932::encode(expected), std::optional<QByteArray>(all));
        QVERIFY(cp932::canEncode(expected));
    }

    void text()
    {
        const QString s = QStringLiteral("参加者 ABC ｱｲｳ 髙﨑");
        const QByteArray bytes = bytesOf({0x8E, 0x51, 0x89, 0xC1, 0x8E, 0xD2, 0x20, 0x41, 0x42, 0x43, 0x20,
                                          0xB1, 0xB2, 0xB3, 0x20, 0xFB, 0xFC, 0xFA, 0xB1});
        QCOMPARE(cp932::encode(s), std::optional<QByteArray>(bytes));
        QCOMPARE(cp932::decode(bytes), s);
        QVERIFY(cp932::unencodableCharacters(s + QStringLiteral("〜−")).isEmpty());
        QVERIFY(cp932::unencodableCharacters(QString()).isEmpty());
        QCOMPARE(cp932::encode(QString()), std::optional<QByteArray>(QByteArray()));
        QCOMPARE(cp932::decode(QByteArray()), QString());
    }

    // Malformed bytes read as one U+FFFD per bad byte or pair, without swallowing the next character.
    void malformedBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const QString bad(QChar(0xFFFD));
        QTest::newRow("lead byte at the end") << bytesOf({0x41, 0x82}) << QStringLiteral("A") + bad;
        QTest::newRow("lead byte before a quote") << bytesOf({0x81, 0x22, 0x41}) << bad + QStringLiteral("\"A");
        QTest::newRow("lead byte before CR LF") << bytesOf({0x81, 0x0D, 0x0A}) << bad + QStringLiteral("\r\n");
        QTest::newRow("lead byte before 0xFD") << bytesOf({0x81, 0xFD}) << bad + QChar(0xF8F1);
        QTest::newRow("unassigned pair") << bytesOf({0x85, 0x40, 0x41}) << bad + QStringLiteral("A");
        QTest::newRow("unassigned pair, trail 0x7F") << bytesOf({0x81, 0x7F}) << bad + QStringLiteral("\x7f");
        QTest::newRow("lead byte before katakana") << bytesOf({0x81, 0x20, 0xB1}) << bad + QStringLiteral(" ") + QChar(0xFF71);
        QTest::newRow("lead then lead pair") << bytesOf({0xE0, 0x30, 0x82, 0xA0}) << bad + QStringLiteral("0") + QChar(0x3042);
        // The codes the Linux twins are written as read as the characters Windows has for them.
        QTest::newRow("twins") << QByteArray::fromHex("81608161817C8191819281CA") << QStringLiteral("～∥－￠￡￢");
    }

    void malformedBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(cp932::decode(bytes), text);
    }

    void unencodable_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<char32_t>>("characters");
        QTest::newRow("emoji") << QStringLiteral("a😀b😀") << QList<char32_t>{0x1F600};
        QTest::newRow("CJK extension B") << QStringLiteral("𠮷野家") << QList<char32_t>{0x20BB7};
        QTest::newRow("accented latin, euro") << QStringLiteral("café 5€é") << QList<char32_t>{0xE9, 0x20AC};
        QTest::newRow("hangul") << QStringLiteral("한") << QList<char32_t>{0xD55C};
        QTest::newRow("replacement character") << QString(QChar(0xFFFD)) << QList<char32_t>{0xFFFD};
        QTest::newRow("lone high surrogate") << (QStringLiteral("a") + QChar(0xD83D) + QStringLiteral("b"))
                                             << QList<char32_t>{0xD83D};
        QTest::newRow("lone low surrogate") << QString(QChar(0xDE00)) << QList<char32_t>{0xDE00};
    }

    void unencodable()
    {
        QFETCH(QString, text);
        QFETCH(QList<char32_t>, characters);
        QCOMPARE(cp932::encode(text), std::nullopt);
        QVERIFY(!cp932::canEncode(text));
        QCOMPARE(cp932::unencodableCharacters(text), characters);
    }
};

QTEST_GUILESS_MAIN(TestCp932)
#include "tst_cp932.moc"
