#pragma once
// Windows-1252, the single-byte code page of a Portuguese desktop.
//
//   Utf8ToCp1252("Potência")   -> "Pot\xEAncia"
//   Utf8ToCp1252("\u20AC 5")   -> "\x80 5"
//   Utf8ToCp1252("\U0001F600") -> std::nullopt (no such character)

#include <optional>
#include <string>
#include <string_view>

// UTF-8 to Windows-1252. std::nullopt when the text is not valid UTF-8 or
// holds a character the code page does not have.
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);

// Strict UTF-8 decoding: no overlong forms, no surrogates, nothing above
// U+10FFFF, no truncated or stray sequences. std::nullopt when invalid.
std::optional<std::u32string> DecodeUtf8(std::string_view utf8);

// The Windows-1252 byte of one code point, or -1 when the code page lacks it
// (including the five unassigned bytes 0x81, 0x8D, 0x8F, 0x90, 0x9D).
int CodePointToCp1252(char32_t cp);

// The character of one Windows-1252 byte, or 0 for the five unassigned bytes.
//   Cp1252ToCodePoint(0xEA) == U+00EA ("ê")   Cp1252ToCodePoint(0x80) == U+20AC
char32_t Cp1252ToCodePoint(unsigned char byte);

// Windows-1252 bytes to UTF-8. std::nullopt when a byte is unassigned.
std::optional<std::string> Cp1252ToUtf8(std::string_view bytes);
