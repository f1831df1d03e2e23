#pragma once
// Microsoft code page 932 (Shift-JIS as Windows has it), the encoding of the list files.
//
// The conversion follows Windows' MultiByteToWideChar / WideCharToMultiByte for code page
// 932 and does not depend on ICU or on the system's locale, so the files read and write
// the same on every platform.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

namespace platform::cp932 {

// Decodes bytes to text. Never fails: a byte that starts no character, a lead byte without
// a valid trail byte, and an unassigned pair each become one U+FFFD.
QString decode(QByteArrayView bytes);

// Encodes text, or nullopt if any character has no code in code page 932 (emoji, most
// CJK extension characters, unpaired surrogates...). Where a character has several codes,
// the one Windows writes is chosen.
std::optional<QByteArray> encode(QStringView text);

// Whether encode() would succeed.
bool canEncode(QStringView text);

// Whether the first `length` bytes of `bytes` end with the lead byte of a pair that decode()
// would read, so that cutting there splits that character.
bool splitsCharacter(QByteArrayView bytes, qsizetype length);

}  // namespace platform::cp932
