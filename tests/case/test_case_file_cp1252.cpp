#include <gtest/gtest.h>

#include <string>

#include "case/Cp1252.h"

namespace {

TEST(Cp1252, HighRangeMapping) {
  // Bytes 0x80..0x9F and the characters they stand for.
  struct {
    const char* name;
    char32_t cp;
    int byte;
  } const rows[] = {
      {"euro", 0x20AC, 0x80},        {"low single quote", 0x201A, 0x82},
      {"f hook", 0x0192, 0x83},      {"low double quote", 0x201E, 0x84},
      {"ellipsis", 0x2026, 0x85},    {"dagger", 0x2020, 0x86},
      {"double dagger", 0x2021, 0x87}, {"circumflex", 0x02C6, 0x88},
      {"per mille", 0x2030, 0x89},   {"S caron", 0x0160, 0x8A},
      {"single left angle", 0x2039, 0x8B}, {"OE", 0x0152, 0x8C},
      {"Z caron", 0x017D, 0x8E},     {"left single quote", 0x2018, 0x91},
      {"right single quote", 0x2019, 0x92}, {"left double quote", 0x201C, 0x93},
      {"right double quote", 0x201D, 0x94}, {"bullet", 0x2022, 0x95},
      {"en dash", 0x2013, 0x96},     {"em dash", 0x2014, 0x97},
      {"small tilde", 0x02DC, 0x98}, {"trade mark", 0x2122, 0x99},
      {"s caron", 0x0161, 0x9A},     {"single right angle", 0x203A, 0x9B},
      {"oe", 0x0153, 0x9C},          {"z caron", 0x017E, 0x9E},
      {"Y diaeresis", 0x0178, 0x9F},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(CodePointToCp1252(r.cp), r.byte);
  }
}

TEST(Cp1252, CharactersWithoutAByte) {
  struct {
    const char* name;
    char32_t cp;
  } const rows[] = {
      {"U+0081 (byte 0x81 undefined)", 0x81}, {"U+008D", 0x8D}, {"U+008F", 0x8F},
      {"U+0090", 0x90},                       {"U+009D", 0x9D}, {"U+0080 C1 control", 0x80},
      {"U+0100 A macron", 0x100},             {"U+20AD", 0x20AD}, {"U+1F600 emoji", 0x1F600},
      {"U+FFFD replacement", 0xFFFD},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(CodePointToCp1252(r.cp), -1);
  }
  // Latin-1 letters keep their code.
  for (char32_t cp = 0xA0; cp <= 0xFF; ++cp) EXPECT_EQ(CodePointToCp1252(cp), static_cast<int>(cp));
  for (char32_t cp = 0; cp < 0x80; ++cp) EXPECT_EQ(CodePointToCp1252(cp), static_cast<int>(cp));
}

TEST(Cp1252, Utf8Conversion) {
  EXPECT_EQ(Utf8ToCp1252("Potência"), std::string("Pot\xEAncia"));
  EXPECT_EQ(Utf8ToCp1252("\u20AC 5"), std::string("\x80 5"));
  EXPECT_EQ(Utf8ToCp1252("\u2026\u0178"), std::string("\x85\x9F"));
  EXPECT_EQ(Utf8ToCp1252(""), std::string());
  EXPECT_EQ(Utf8ToCp1252("\U0001F600"), std::nullopt);
  EXPECT_EQ(Utf8ToCp1252("a\u0100"), std::nullopt);
}

TEST(Cp1252, StrictUtf8) {
  struct {
    const char* name;
    std::string bytes;
  } const invalid[] = {
      {"stray continuation", "\x80"},
      {"overlong slash", "\xC0\xAF"},
      {"overlong C1", "\xC1\xBF"},
      {"overlong three bytes", "\xE0\x80\xAF"},
      {"overlong four bytes", "\xF0\x80\x80\xAF"},
      {"surrogate D800", "\xED\xA0\x80"},
      {"surrogate DFFF", "\xED\xBF\xBF"},
      {"above 10FFFF", "\xF4\x90\x80\x80"},
      {"F5 lead", "\xF5\x80\x80\x80"},
      {"FF", "\xFF"},
      {"truncated two", "\xC3"},
      {"truncated three", "a\xE2\x82"},
      {"bad continuation", "\xE2\x28\xA1"},
  };
  for (const auto& r : invalid) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(DecodeUtf8(r.bytes), std::nullopt);
    EXPECT_EQ(Utf8ToCp1252(r.bytes), std::nullopt);
  }
  struct {
    const char* name;
    std::string bytes;
    std::u32string cps;
  } const valid[] = {
      {"two bytes min", "\xC2\x80", U"\u0080"},
      {"three bytes min", "\xE0\xA0\x80", U"\u0800"},
      {"before surrogates", "\xED\x9F\xBF", U"\uD7FF"},
      {"after surrogates", "\xEE\x80\x80", U"\uE000"},
      {"four bytes min", "\xF0\x90\x80\x80", U"\U00010000"},
      {"max", "\xF4\x8F\xBF\xBF", U"\U0010FFFF"},
      {"nul kept", std::string("a\0b", 3), std::u32string(U"a\0b", 3)},
  };
  for (const auto& r : valid) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(DecodeUtf8(r.bytes), r.cps);
  }
}

}  // namespace
