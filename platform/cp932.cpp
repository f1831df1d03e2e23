#include "platform/cp932.h"

#include <array>

namespace platform::cp932 {
namespace {

#include "platform/cp932_table.inc"

constexpr char16_t kReplacement = 0xFFFD;
constexpr int kTrailsPerLead = 188;

// Lead bytes 0x81-0x9F and 0xE0-0xFC, numbered 0-59 as the rows of kDoubleByte.
int leadIndex(uchar b)
{
    if (b >= 0x81 && b <= 0x9F)
        return b - 0x81;
    if (b >= 0xE0 && b <= 0xFC)
        return b - 0xE0 + 31;
    return -1;
}

// Trail bytes 0x40-0x7E and 0x80-0xFC, numbered 0-187 as the columns of kDoubleByte.
int trailIndex(uchar b)
{
    if (b >= 0x40 && b <= 0x7E)
        return b - 0x40;
    if (b >= 0x80 && b <= 0xFC)
        return b - 0x80 + 63;
    return -1;
}

uchar leadByte(int index)
{
    return uchar(index < 31 ? 0x81 + index : 0xE0 + index - 31);
}
uchar trailByte(int index)
{
    return uchar(index < 63 ? 0x40 + index : 0x80 + index - 63);
}

// A byte that is not a lead byte. 0x00-0x7F are plain ASCII (no IBM rotation of 0x1A,
// 0x1C and 0x7F); 0x80, 0xA0 and 0xFD-0xFF are mapped as Windows maps them.
char16_t singleByte(uchar b)
{
    if (b <= 0x80)
        return b;
    if (b == 0xA0)
        return 0xF8F0;
    if (b >= 0xA1 && b <= 0xDF)
        return char16_t(0xFF61 + (b - 0xA1));  // half-width katakana
    if (b >= 0xFD)
        return char16_t(0xF8F1 + (b - 0xFD));
    return kReplacement;
}

// Characters Windows writes although no code decodes to them: what Linux input methods
// type for the JIS characters of these codes.
struct Extra {
    char16_t ch;
    quint16 code;
};
constexpr Extra kEncodeOnly[] = {
    {0x301C, 0x8160},  // WAVE DASH for FULLWIDTH TILDE
    {0x2016, 0x8161},  // DOUBLE VERTICAL LINE for PARALLEL TO
    {0x2212, 0x817C},  // MINUS SIGN for FULLWIDTH HYPHEN-MINUS
    {0x00A2, 0x8191},  // CENT SIGN for FULLWIDTH CENT SIGN
    {0x00A3, 0x8192},  // POUND SIGN for FULLWIDTH POUND SIGN
    {0x00AC, 0x81CA},  // NOT SIGN for FULLWIDTH NOT SIGN
};

// Code ED40-EEFC: IBM kanji in NEC's arrangement. Every character there also has an IBM
// code FA40-FC4B, and Windows writes that one.
bool isNecSelectedIbm(quint16 code)
{
    return (code >> 8) == 0xED || (code >> 8) == 0xEE;
}

// Where a character has several codes, Windows writes the JIS X 0208 code if there is one,
// else NEC row 13 (87xx), else the IBM extension (FA40-FC4B). In code order that is: the
// lowest code that is not NEC-selected IBM.
bool preferred(quint16 candidate, quint16 current)
{
    if (current == 0)
        return true;
    if (isNecSelectedIbm(candidate) != isNecSelectedIbm(current))
        return !isNecSelectedIbm(candidate);
    return candidate < current;
}

// UTF-16 code unit to code: 0 when there is none, below 0x100 a single byte. ASCII is
// handled before the lookup. Built on first use: 128 KiB, about 20,000 steps.
struct EncodeTable {
    std::array<quint16, 0x10000> code{};

    EncodeTable()
    {
        for (int b = 0x80; b <= 0xFF; ++b) {
            if (leadIndex(uchar(b)) < 0)
                code[singleByte(uchar(b))] = quint16(b);
        }
        for (int l = 0; l < int(std::size(kDoubleByte)); ++l) {
            for (int t = 0; t < kTrailsPerLead; ++t) {
                const char16_t ch = kDoubleByte[l][t];
                if (ch == 0)
                    continue;
                const quint16 c = quint16(leadByte(l) << 8 | trailByte(t));
                if (preferred(c, code[ch]))
                    code[ch] = c;
            }
        }
        for (const Extra &e : kEncodeOnly)
            code[e.ch] = e.code;
    }
};

const EncodeTable &encodeTable()
{
    static const EncodeTable table;
    return table;
}

// Code for one UTF-16 code unit, 0 if none. Surrogates have none: code page 932 covers
// only the Basic Multilingual Plane.
quint16 codeOf(char16_t ch)
{
    if (ch < 0x80)
        return ch == 0 ? 0 : ch;  // U+0000 is handled by the callers
    return encodeTable().code[ch];
}

bool encodable(char16_t ch)
{
    return ch == 0 || codeOf(ch) != 0;
}

}  // namespace

QString decode(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t *dst = reinterpret_cast<char16_t *>(out.data());
    const qsizetype n = bytes.size();
    qsizetype count = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const uchar b = uchar(bytes[i]);
        if (b < 0x80) {
            dst[count++] = b;
            continue;
        }
        const int lead = leadIndex(b);
        if (lead < 0) {
            dst[count++] = singleByte(b);
            continue;
        }
        const int trail = i + 1 < n ? trailIndex(uchar(bytes[i + 1])) : -1;
        if (trail < 0) {
            // A lead byte alone: the next byte (a delimiter, say) is read on its own.
            dst[count++] = kReplacement;
            continue;
        }
        const char16_t ch = kDoubleByte[lead][trail];
        dst[count++] = ch != 0 ? ch : kReplacement;
        ++i;
    }
    out.truncate(count);
    return out;
}

std::optional<QByteArray> encode(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    for (const QChar qc : text) {
        const char16_t ch = qc.unicode();
        if (ch < 0x80) {
            out.append(char(ch));
            continue;
        }
        const quint16 code = codeOf(ch);
        if (code == 0)
            return std::nullopt;
        if (code > 0xFF)
            out.append(char(code >> 8));
        out.append(char(code & 0xFF));
    }
    return out;
}

bool canEncode(QStringView text)
{
    for (const QChar qc : text) {
        if (!encodable(qc.unicode()))
            return false;
    }
    return true;
}

bool splitsCharacter(QByteArrayView bytes, qsizetype length)
{
    // Pairs are only found from the start: a trail byte can look like a lead byte.
    qsizetype i = 0;
    while (i < length) {
        const bool pair =
            leadIndex(uchar(bytes[i])) >= 0 && i + 1 < bytes.size() && trailIndex(uchar(bytes[i + 1])) >= 0;
        i += pair ? 2 : 1;
    }
    return i > length;
}

}  // namespace platform::cp932
