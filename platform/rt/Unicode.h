#pragma once
// UTF-8 <-> UTF-16 conversion and letter case of UTF-16 text. The sizing side keeps UTF-8
// std::string; the script engine counts and indexes characters in UTF-16 code units, as report
// texts do, so its string values are std::u16string.
#include <string>
#include <string_view>

namespace rt {

// Malformed input becomes U+FFFD; nothing is dropped silently and nothing throws.
std::u16string Utf8ToUtf16(std::string_view S);
std::string Utf16ToUtf8(std::u16string_view S);

// The system's 8-bit code page: Windows western (1252). Bytes that code page leaves undefined
// (81, 8D, 8F, 90, 9D) map to the control characters of the same value and back; characters it
// lacks become '?' (a surrogate pair one '?').
std::u16string AnsiToUtf16(std::string_view S);
std::string Utf16ToAnsi(std::u16string_view S);

// Upper and lower case of ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic letters; other
// code units are left alone. One code unit maps to one, so lengths and indexes do not change.
char16_t WideUpperChar(char16_t C);
char16_t WideLowerChar(char16_t C);
std::u16string WideUpperCase(std::u16string_view S);
std::u16string WideLowerCase(std::u16string_view S);
// <0, 0, >0 by code unit, letter case ignored.
int WideCompareText(std::u16string_view S1, std::u16string_view S2);

// The same letter case rules on UTF-8 text (used for script names).
std::string Utf8UpperCase(std::string_view S);
int Utf8CompareText(std::string_view S1, std::string_view S2);

} // namespace rt
