// Window-side number texts: accept, reject and format tables, the separator,
// the edges of the working range, the dialog's default texts and a
// format/parse stability property.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "toolkit/WindowText.h"

namespace {

using namespace std::string_literals;

uint64_t Bits(double v) {
  uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

double FromBits(uint64_t b) {
  double v;
  std::memcpy(&v, &b, sizeof v);
  return v;
}

// Every test starts and ends with the separator the main window installs.
class NumberText : public ::testing::Test {
protected:
  void SetUp() override { WindowDecimalSeparator = ','; }
  void TearDown() override { WindowDecimalSeparator = ','; }
};

// The message a failed conversion carries, or "" if it did not fail.
template <typename F>
std::string FailureMessage(F&& convert) {
  try {
    convert();
  } catch (const EConvertError& e) {
    return e.Message();
  }
  return "";
}

// ---------------------------------------------------------------- integers

struct IntegerAccept {
  const char* name;
  const char* text;
  int32_t value;
};

const IntegerAccept kIntegerAccept[] = {
    {"Plain", "42", 42},
    {"LeadingSpace", " 42", 42},
    {"PlusSign", "+42", 42},
    {"LeadingZeros", "0042", 42},
    {"MinusZero", "-0", 0},
    {"DollarHex", "$1A", 26},
    {"ZeroXLowerHex", "0x1a", 26},
    {"BigXHex", "X1A", 26},
    {"AllOnesHexIsMinusOne", "$FFFFFFFF", -1},
    {"Int32Max", "2147483647", 2147483647},
    {"Int32Min", "-2147483648", std::numeric_limits<int32_t>::min()},
    // Further rows of the same rules.
    {"SmallXHex", "x1A", 26},
    {"ZeroBigXHex", "0X1A", 26},
    {"HexSignBitIsInt32Min", "$80000000", std::numeric_limits<int32_t>::min()},
    {"HexInt32Max", "0x7FFFFFFF", 2147483647},
    {"HexLeadingZerosAreFree", "$000000000FFFFFFFE", -2},
    {"ManyLeadingSpacesBeforeHex", "   $10", 16},
    {"ManyDecimalLeadingZeros", "000000000000000000002147483647", 2147483647},
    {"Zero", "0", 0},
    {"NegativeAfterSpaces", "  -17", -17},
    {"HexZero", "$0", 0},
};

class IntegerAcceptTest : public NumberText, public ::testing::WithParamInterface<IntegerAccept> {};

TEST_P(IntegerAcceptTest, Parses) {
  EXPECT_EQ(ParseIntegerText(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Table, IntegerAcceptTest, ::testing::ValuesIn(kIntegerAccept),
                         [](const auto& info) { return std::string(info.param.name); });

struct Reject {
  const char* name;
  std::string text;
  std::string message;
};

const Reject kIntegerReject[] = {
    {"AboveInt32Max", "2147483648", "'2147483648' is not a valid integer value"},
    {"NineHexDigits", "$100000000", "'$100000000' is not a valid integer value"},
    {"SignedHex", "-$1A", "'-$1A' is not a valid integer value"},
    {"TrailingSpace", "42 ", "'42 ' is not a valid integer value"},
    {"InnerSpace", "4 2", "'4 2' is not a valid integer value"},
    {"DecimalComma", "4,0", "'4,0' is not a valid integer value"},
    {"Exponent", "1e3", "'1e3' is not a valid integer value"},
    {"Empty", "", "'' is not a valid integer value"},
    {"OnlySpace", " ", "' ' is not a valid integer value"},
    {"OnlySign", "+", "'+' is not a valid integer value"},
    {"HexPrefixOnly", "0x", "'0x' is not a valid integer value"},
    // Further rows of the same rules.
    {"BelowInt32Min", "-2147483649", "'-2147483649' is not a valid integer value"},
    {"FarAboveRangeDoesNotWrap", "4294967338", "'4294967338' is not a valid integer value"},
    {"TwentyDigits", "99999999999999999999", "'99999999999999999999' is not a valid integer value"},
    {"DollarOnly", "$", "'$' is not a valid integer value"},
    {"XOnly", "X", "'X' is not a valid integer value"},
    {"PlusHex", "+$1A", "'+$1A' is not a valid integer value"},
    {"MinusZeroX", "-0x1", "'-0x1' is not a valid integer value"},
    {"HexWithoutPrefix", "1A", "'1A' is not a valid integer value"},
    {"BadHexDigit", "$1G", "'$1G' is not a valid integer value"},
    {"LeadingTab", "\t42", "'\t42' is not a valid integer value"},
    {"SpaceAfterSign", "- 5", "'- 5' is not a valid integer value"},
    {"SpaceAfterHexPrefix", "0x 1", "'0x 1' is not a valid integer value"},
    {"HexTrailingSpace", "$1A ", "'$1A ' is not a valid integer value"},
    {"TwoSigns", "+-1", "'+-1' is not a valid integer value"},
    {"SpacesKeptInMessage", "  7 x ", "'  7 x ' is not a valid integer value"},
    {"EmbeddedNul", "1\0" "2"s, "'1\0" "2' is not a valid integer value"s},
};

class IntegerRejectTest : public NumberText, public ::testing::WithParamInterface<Reject> {};

TEST_P(IntegerRejectTest, FailsWithMessage) {
  const Reject& row = GetParam();
  EXPECT_EQ(FailureMessage([&] { ParseIntegerText(row.text); }), row.message);
  EXPECT_EQ(IntegerErrorMessage(row.text), row.message);
}

INSTANTIATE_TEST_SUITE_P(Table, IntegerRejectTest, ::testing::ValuesIn(kIntegerReject),
                         [](const auto& info) { return std::string(info.param.name); });

// Independent check of the decimal and hex rules against the C library's
// integer parsers over random texts.
TEST_F(NumberText, IntegerAgreesWithStrtollOverRandomTexts) {
  std::mt19937_64 rng(20261208);
  for (int k = 0; k < 100000; ++k) {
    const int64_t v = static_cast<int64_t>(rng()) >> (rng() % 64);  // all magnitudes
    const bool hex = rng() % 2 != 0;
    std::string text;
    int64_t expected;
    bool valid;
    if (hex) {
      const uint64_t bits = static_cast<uint64_t>(v) >> (rng() % 64);
      char buf[32];
      std::snprintf(buf, sizeof buf, "%s%0*llX", (rng() % 2) ? "$" : "0x",
                    static_cast<int>(rng() % 12), static_cast<unsigned long long>(bits));
      text = buf;
      valid = bits <= 0xFFFFFFFFu;
      expected = static_cast<int32_t>(static_cast<uint32_t>(bits));
    } else {
      text = std::to_string(v);
      errno = 0;
      expected = std::strtoll(text.c_str(), nullptr, 10);
      valid = errno == 0 && expected >= INT32_MIN && expected <= INT32_MAX;
    }
    SCOPED_TRACE(text);
    if (valid) {
      ASSERT_EQ(ParseIntegerText(text), expected);
      ASSERT_EQ(ParseIntegerText(std::string(rng() % 4, ' ') + text), expected);
    } else {
      ASSERT_THROW(ParseIntegerText(text), EConvertError);
    }
  }
}

TEST_F(NumberText, FormatIntegerIsPlainDecimal) {
  struct Row { int32_t value; const char* text; } rows[] = {
      {30, "30"}, {0, "0"}, {-1, "-1"}, {2147483647, "2147483647"},
      {std::numeric_limits<int32_t>::min(), "-2147483648"}, {1000000, "1000000"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(FormatIntegerText(r.value), r.text);
    EXPECT_EQ(ParseIntegerText(FormatIntegerText(r.value)), r.value);
  }
}

// ---------------------------------------------------------------- reals

struct RealAccept {
  const char* name;
  std::string text;
  double value;  // compared bit for bit, so the sign of zero counts
};

const RealAccept kRealAccept[] = {
    {"Comma", "1,5", 1.5},
    {"SurroundingSpaces", " 1,5 ", 1.5},
    {"PlusSign", "+1,5", 1.5},
    {"FractionTimesExponent", "0,15e1", 1.5},
    {"NegativeExponent", "15E-1", 1.5},
    {"SeparatorOnly", ",", 0.0},
    {"MinusZero", "-0", -0.0},
    {"MinusSeparator", "-,", -0.0},
    {"TrailingSeparator", "5,", 5.0},
    {"EmptyExponent", "5e", 5.0},
    {"EmptySignedExponent", "5E+", 5.0},
    {"SmallE", "1e3", 1000.0},
    {"BigE", "1E3", 1000.0},
    {"PlusExponent", "1E+3", 1000.0},
    // Further rows of the same rules.
    {"LeadingSeparator", ",5", 0.5},
    {"NegativeLeadingSeparator", "-,5", -0.5},
    {"SeparatorThenExponent", ",e5", 0.0},
    {"EmptyNegativeExponent", "5e-", 5.0},
    {"MinusZeroExponent", "5E-0", 5.0},
    {"ManyTrailingSpaces", "2,25    ", 2.25},
    {"PositiveZeroFraction", "0,000", 0.0},
    {"NegativeZeroWithExponent", "-0E7", -0.0},
    {"ExponentLeadingZeros", "25E-0001", 2.5},
    {"ExactTwoToThe63", "9223372036854775808", 9223372036854775808.0},
    {"ExactTenToThe22", "1E22", 1e22},
    {"ExactEighth", "0,125", 0.125},
    {"ExactLargeInteger", "9007199254740991", 9007199254740991.0},
    {"ExponentFiveHundredReadWhole", "1E-500", 0.0},
    {"ExponentWithZerosToFiveHundred", "-1E-0500", -0.0},
    {"LongZeroRun", std::string(3000, '0') + ",5", 0.5},
    {"UnderflowAfterThousandsOfFractionDigits", "0," + std::string(5000, '0') + "1", 0.0},
    {"FractionDigitsCancelExponent", "0," + std::string(4000, '0') + "1E4000", 0.1},
    {"MinusUnderflowKeepsSign", "-1E-400", -0.0},
};

class RealAcceptTest : public NumberText, public ::testing::WithParamInterface<RealAccept> {};

TEST_P(RealAcceptTest, Parses) {
  const RealAccept& row = GetParam();
  EXPECT_EQ(Bits(ParseRealText(row.text)), Bits(row.value)) << ParseRealText(row.text);
}

INSTANTIATE_TEST_SUITE_P(Table, RealAcceptTest, ::testing::ValuesIn(kRealAccept),
                         [](const auto& info) { return std::string(info.param.name); });

struct RealReject {
  const char* name;
  std::string text;
  std::string message;
  bool beyond_double_only = false;  // the working format holds it
};

const RealReject kRealReject[] = {
    {"DecimalPoint", "1.5", "'1.5' is not a valid floating point value"},
    {"ThousandsPoint", "1.000,5", "'1.000,5' is not a valid floating point value"},
    {"ThousandsSpace", "1 000", "'1 000' is not a valid floating point value"},
    {"Empty", "", "'' is not a valid floating point value"},
    {"TwoSpaces", "  ", "'  ' is not a valid floating point value"},
    {"OnlyMinus", "-", "'-' is not a valid floating point value"},
    {"ExponentOnly", "E3", "'E3' is not a valid floating point value"},
    {"TwoSeparators", "1,5,0", "'1,5,0' is not a valid floating point value"},
    {"HexDollar", "$10", "'$10' is not a valid floating point value"},
    {"ExponentDigitAfterFiveHundred", "1E5000", "'1E5000' is not a valid floating point value"},
    // Further rows of the same rules.
    {"LeadingTab", "\t1", "'\t1' is not a valid floating point value"},
    {"TrailingTab", "1,5\t", "'1,5\t' is not a valid floating point value"},
    {"NegativeExponentPastFiveHundred", "1E-5000", "'1E-5000' is not a valid floating point value"},
    {"ZerosThenPastFiveHundred", "1E00005000", "'1E00005000' is not a valid floating point value"},
    {"SmallEOnly", "e5", "'e5' is not a valid floating point value"},
    {"TwoExponentSigns", "5E+-1", "'5E+-1' is not a valid floating point value"},
    {"TwoEs", "5EE", "'5EE' is not a valid floating point value"},
    {"SpaceInExponent", "5E 1", "'5E 1' is not a valid floating point value"},
    {"SpaceBeforeExponent", "5 E1", "'5 E1' is not a valid floating point value"},
    {"SpaceAfterSign", "- 1", "'- 1' is not a valid floating point value"},
    {"TwoSigns", "+-1", "'+-1' is not a valid floating point value"},
    {"SignOnlyThenSpaces", " +  ", "' +  ' is not a valid floating point value"},
    {"Letters", "abc", "'abc' is not a valid floating point value"},
    {"Infinity", "INF", "'INF' is not a valid floating point value"},
    {"Nan", "NAN", "'NAN' is not a valid floating point value"},
    {"HexFloat", "0x1p3", "'0x1p3' is not a valid floating point value"},
    {"BeyondWorkingRange", "1E4933", "'1E4933' is not a valid floating point value"},
    {"BeyondWorkingRangeFraction", "1,2E4932", "'1,2E4932' is not a valid floating point value"},
    {"NegativeBeyondWorkingRange", "-1E4999", "'-1E4999' is not a valid floating point value"},
    {"BeyondDoubleRange", "1E400", "'1E400' is not a valid floating point value", true},
    {"JustBeyondDoubleMax", "1,7976931348623159E308",
     "'1,7976931348623159E308' is not a valid floating point value", true},
    {"NegativeJustBeyondDoubleMax", "-1,7976931348623159E308",
     "'-1,7976931348623159E308' is not a valid floating point value", true},
    {"DisplayOfDoubleMax", "1,79769313486232E308",
     "'1,79769313486232E308' is not a valid floating point value", true},
    {"SpacesKeptInMessage", "  1,5 x ", "'  1,5 x ' is not a valid floating point value"},
};

class RealRejectTest : public NumberText, public ::testing::WithParamInterface<RealReject> {};

TEST_P(RealRejectTest, FailsWithMessage) {
  const RealReject& row = GetParam();
  EXPECT_EQ(FailureMessage([&] { ParseRealText(row.text); }), row.message);
  EXPECT_EQ(RealErrorMessage(row.text), row.message);
  if (row.beyond_double_only) {
    EXPECT_TRUE(std::isfinite(ParseExtendedText(row.text)));
  } else {
    EXPECT_EQ(FailureMessage([&] { ParseExtendedText(row.text); }), row.message);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, RealRejectTest, ::testing::ValuesIn(kRealReject),
                         [](const auto& info) { return std::string(info.param.name); });

// Texts whose digits alone overflow the accumulator fail whatever follows:
// the accumulator is infinite before any power is applied.
TEST_F(NumberText, DigitsBeyondWorkingRangeFailWhateverTheExponent) {
  const std::string huge = "1" + std::string(5000, '0');
  for (const std::string& text : {huge, huge + "E-4999", huge + "," + std::string(6000, '0'),
                                  "-" + huge + ",5E-100"}) {
    SCOPED_TRACE(text.size());
    EXPECT_EQ(FailureMessage([&] { ParseExtendedText(text); }), RealErrorMessage(text));
  }
  // Below the overflow the same length of digits is fine.
  const std::string zeros = "0," + std::string(4997, '0') + "25E4999";
  EXPECT_EQ(ParseRealText(zeros), 25.0);
}

TEST_F(NumberText, BeyondDoubleButWithinWorkingRange) {
  // A double cannot hold these; the 64-bit-significand value can.
  for (const char* text : {"1E400", "1E500", "-1E500", "1E4932", "1,18E4932", "1,1897314953572317E4932",
                           "1,7976931348623159E308"}) {
    SCOPED_TRACE(text);
    const long double x = ParseExtendedText(text);
    EXPECT_TRUE(std::isfinite(x));
    EXPECT_GT(std::fabs(x), static_cast<long double>(DBL_MAX));
    EXPECT_EQ(std::signbit(x), text[0] == '-');
    EXPECT_EQ(FailureMessage([&] { ParseRealText(text); }), RealErrorMessage(text));
  }
  EXPECT_NEAR(static_cast<double>(ParseExtendedText("1E400") / 1e399L), 10.0, 1e-15);
  EXPECT_NEAR(static_cast<double>(ParseExtendedText("1,18E4932") / 1e4932L), 1.18, 1e-15);
  // The working range ends at about 1,18973149535723176505E4932.
  for (const char* text : {"1,1897314953572318E4932", "1,2E4932", "-1,2E4932", "1E4933", "12E4931"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(FailureMessage([&] { ParseExtendedText(text); }), RealErrorMessage(text));
  }
}

TEST_F(NumberText, DoubleOverflowBoundary) {
  EXPECT_EQ(ParseRealText("1,7976931348623157E308"), DBL_MAX);
  EXPECT_EQ(ParseRealText("-1,7976931348623157E308"), -DBL_MAX);
  // Still below the halfway point to 2^1024: rounds down to the largest double.
  EXPECT_EQ(ParseRealText("1,7976931348623158E308"), DBL_MAX);
  EXPECT_EQ(ParseRealText("1E308"), 1e308);
  // A text whose working value is exactly that halfway point: the tie goes to
  // the even neighbour, 2^1024, which no double holds.
  ASSERT_EQ(ParseExtendedText("1,79769313486231580788E308"), 0x1.fffffffffffff8p+1023L);
  EXPECT_THROW(ParseRealText("1,79769313486231580788E308"), EConvertError);
  // The display of the largest double lies above that halfway point, so it is
  // one of the few displays that cannot be read back.
  EXPECT_EQ(FormatRealText(DBL_MAX), "1,79769313486232E308");
  EXPECT_THROW(ParseRealText(FormatRealText(DBL_MAX)), EConvertError);
  EXPECT_EQ(FormatRealText(1.797693134862314e308), "1,79769313486231E308");
  EXPECT_EQ(ParseRealText("1,79769313486231E308"), 1.79769313486231e308);
}

TEST_F(NumberText, SubnormalResults) {
  const double tiny = std::numeric_limits<double>::denorm_min();  // 2^-1074
  struct Row { const char* text; double value; } rows[] = {
      {"4,9406564584124654E-324", tiny},
      {"-4,9406564584124654E-324", -tiny},
      {"9,8813129168249309E-324", 2 * tiny},
      {"2,4703282292062328E-324", tiny},   // just above half of it
      {"2,4703282292062327E-324", 0.0},    // just below half of it
      {"-2,4703282292062327E-324", -0.0},
      {"2,2250738585072009E-308", DBL_MIN - tiny},  // largest subnormal
      {"2,2250738585072014E-308", DBL_MIN},
      {"1E-400", 0.0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(Bits(ParseRealText(r.text)), Bits(r.value));
  }
  // Subnormal in a double, an ordinary number in the working format.
  EXPECT_GT(ParseExtendedText("1E-400"), 0.0L);
  EXPECT_NEAR(static_cast<double>(ParseExtendedText("1E-400") * 1e400L), 1.0, 1e-15);
  // The smallest values of the working format, and below it.
  EXPECT_GT(ParseExtendedText("3,7E-4951"), 0.0L);
  EXPECT_EQ(ParseExtendedText("1E-4960"), 0.0L);
  EXPECT_EQ(FormatRealText(tiny), "4,94065645841247E-324");
  EXPECT_EQ(ParseRealText(FormatRealText(tiny)), tiny);
}

TEST_F(NumberText, LongDigitStringsStayCloseToTheirValue) {
  // Hundreds of digits: each step rounds, the result stays within a few
  // units of the 64-bit significand of the true value.
  const std::string ones(400, '1');  // 1.11...1 * 10^399
  const long double x = ParseExtendedText(ones + "E-399");
  EXPECT_NEAR(static_cast<double>(x), 10.0 / 9.0, 1e-15);
  EXPECT_NEAR(ParseRealText("1" + std::string(400, '0') + "E-400"), 1.0, 1e-15);
  EXPECT_NEAR(ParseRealText("0," + std::string(400, '0') + "3E400"), 0.3, 1e-16);
  EXPECT_EQ(ParseRealText("000000000000000000000000000000000001,5"), 1.5);
}

TEST_F(NumberText, ExponentReadingStopsAtFiveHundred) {
  // Read whole: the digit that reaches 500 or more is the last one taken.
  EXPECT_GT(ParseExtendedText("1E499"), 1e498L);
  EXPECT_GT(ParseExtendedText("1E500"), 1e499L);
  EXPECT_GT(ParseExtendedText("1E0500"), 1e499L);
  EXPECT_GT(ParseExtendedText("1E4931"), 1e4930L);
  EXPECT_EQ(ParseExtendedText("1E-4999"), 0.0L);
  EXPECT_EQ(ParseRealText("5E-4999"), 0.0);
  EXPECT_EQ(ParseRealText("0E4999"), 0.0);
  // One digit after the stop fails, whatever the digit is.
  for (const char* text : {"1E5000", "1E5009", "1E-50000", "1E99999", "1e6000"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(FailureMessage([&] { ParseExtendedText(text); }), RealErrorMessage(text));
  }
  // "1E4991" is read as far as 4991 and fails only because that is too big.
  EXPECT_THROW(ParseExtendedText("1E4991"), EConvertError);
  EXPECT_THROW(ParseExtendedText("1E499 1"), EConvertError);
}

// ---------------------------------------------------------------- formatting

struct FormatRow {
  const char* name;
  double value;
  const char* text;
};

const FormatRow kFormat[] = {
    {"Rho", 0.95, "0,95"},
    {"Epsln", 0.0001, "0,0001"},
    {"Bigm", 1e8, "100000000"},
    {"Sigma", 0.01, "0,01"},
    {"Epslnp", 0.00001, "1E-5"},
    {"Epslmek", 1e-20, "1E-20"},
    {"Five", 5.0, "5"},
    {"One", 1.0, "1"},
    {"MinusOne", -1.0, "-1"},
    {"Zero", 0.0, "0"},
    {"NegativeZero", -0.0, "0"},
    {"Rhoext", 0.995, "0,995"},
    {"TenToThe15", 1e15, "1E15"},
    {"OneThird", 1.0 / 3, "0,333333333333333"},
    // Further rows of the same rules.
    {"LargestFixed", 999999999999999.0, "999999999999999"},
    {"TenToThe14", 1e14, "100000000000000"},
    {"CarryIntoNewDigit", 9999999999999998.0, "1E16"},
    {"CarryAtFixedEdge", 999999999999999.5, "1E15"},
    {"FixedWithFraction", 123.456, "123,456"},
    {"FixedSmallest", 0.000123, "0,000123"},
    {"ExponentJustBelowFixed", 0.0000999, "9,99E-5"},
    {"ExponentWithFraction", -1.5e20, "-1,5E20"},
    {"NegativeSmall", -0.00001, "-1E-5"},
    {"TwoThirds", 2.0 / 3, "0,666666666666667"},
    {"FifteenDigits", 123456789012345.0, "123456789012345"},
    {"SixteenDigitsRoundUp", 1234567890123456.0, "1,23456789012346E15"},
    {"PointOnePlusPointTwo", 0.1 + 0.2, "0,3"},
    {"PointOne", 0.1, "0,1"},
    {"HundredTwentyEight", 128.0, "128"},
    {"Half", 0.5, "0,5"},
    {"LargeExponent", 1e300, "1E300"},
    {"SmallExponent", 2.5e-300, "2,5E-300"},
};

class FormatTest : public NumberText, public ::testing::WithParamInterface<FormatRow> {};

TEST_P(FormatTest, Formats) { EXPECT_EQ(FormatRealText(GetParam().value), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(Table, FormatTest, ::testing::ValuesIn(kFormat),
                         [](const auto& info) { return std::string(info.param.name); });

// The 18-digit text decides, not the value: the exact expansions (worked out
// with exact decimal arithmetic) of these doubles have 4999... from the 16th
// digit on, which 18 digits round to 500, so the cut raises the 15th digit.
TEST_F(NumberText, FormatRoundsTwiceThroughEighteenDigits) {
  struct Row { double value; const char* text; } rows[] = {
      {1.000000000000145, "1,00000000000015"},    // 1,000000000000144995127…
      {0.5000000000000695, "0,50000000000007"},   // 0,5000000000000694999613…
      {7.000000000001255, "7,00000000000126"},    // 7,000000000001254996107…
      {123.0000000000055, "123,000000000006"},    // 123,0000000000054996007…
      // Neighbouring cases on either side of the 16th-digit 5.
      {1.0000000000000049, "1"},                  // 1,00000000000000488498…
      {0.50000000000000056, "0,500000000000001"}, // 0,500000000000000555111…
      {0.15, "0,15"},                             // 0,149999999999999994448…
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(FormatRealText(r.value), r.text);
  }
  EXPECT_EQ(FormatRealText(std::nextafter(1.0000000000000049, 2.0)), "1,00000000000001");
}

// ---------------------------------------------------------------- separator

TEST_F(NumberText, AnotherSeparatorIsFollowedEverywhere) {
  WindowDecimalSeparator = '?';
  EXPECT_EQ(ParseRealText("1?5"), 1.5);
  EXPECT_EQ(ParseRealText(" -0?15e1 "), -1.5);
  EXPECT_EQ(Bits(ParseRealText("-?")), Bits(-0.0));
  EXPECT_EQ(FailureMessage([] { ParseRealText("1,5"); }),
            "'1,5' is not a valid floating point value");
  EXPECT_EQ(FormatRealText(0.95), "0?95");
  EXPECT_EQ(FormatRealText(-1.5e20), "-1?5E20");
  EXPECT_EQ(FormatRealText(1.0 / 3), "0?333333333333333");
  EXPECT_EQ(FormatRealText(1e8), "100000000");
  EXPECT_EQ(ParseIntegerText("42"), 42);
  EXPECT_EQ(FailureMessage([] { ParseIntegerText("4?0"); }), "'4?0' is not a valid integer value");

  WindowDecimalSeparator = '.';
  EXPECT_EQ(ParseRealText("1.5"), 1.5);
  EXPECT_THROW(ParseRealText("1,5"), EConvertError);
  EXPECT_EQ(FormatRealText(0.0001), "0.0001");

  WindowDecimalSeparator = ',';
  EXPECT_EQ(FormatRealText(0.95), "0,95");
  EXPECT_THROW(ParseRealText("1?5"), EConvertError);
}

// ---------------------------------------------------------------- dialog defaults

TEST_F(NumberText, DialogDefaultsRoundTrip) {
  struct Real { const char* field; double value; const char* text; } reals[] = {
      {"Rho", 0.95, "0,95"},     {"Epsln", 0.0001, "0,0001"}, {"Bigm", 100000000.0, "100000000"},
      {"Sigma", 0.01, "0,01"},   {"Epslnp", 0.00001, "1E-5"}, {"Epslmek", 1e-20, "1E-20"},
      {"Mu0", 5.0, "5"},         {"x0", 1.0, "1"},            {"xlowbd", -1.0, "-1"},
      {"y0", 0.0, "0"},          {"z0", 1.0, "1"},            {"xnl", 0.0, "0"},
      {"Rhoext", 0.995, "0,995"}, {"Epsext", 0.0001, "0,0001"},
  };
  struct Integer { const char* field; int32_t value; const char* text; } integers[] = {
      {"Maxit", 30, "30"}, {"iprint", 0, "0"}, {"nu", 40, "40"}, {"nd", 30, "30"}, {"klim", 10, "10"},
  };
  static_assert(std::size(reals) + std::size(integers) == 19);
  for (const Real& r : reals) {
    SCOPED_TRACE(r.field);
    EXPECT_EQ(FormatRealText(r.value), r.text);
    EXPECT_EQ(Bits(ParseRealText(r.text)), Bits(r.value));
  }
  for (const Integer& i : integers) {
    SCOPED_TRACE(i.field);
    EXPECT_EQ(FormatIntegerText(i.value), i.text);
    EXPECT_EQ(ParseIntegerText(i.text), i.value);
  }
}

// ---------------------------------------------------------------- examples

// The examples written above the conversions, checked as written.
TEST_F(NumberText, CommentExamples) {
  // NumberText.h
  EXPECT_EQ(ParseIntegerText("$FFFFFFFF"), -1);
  EXPECT_THROW(ParseIntegerText("42 "), EConvertError);
  EXPECT_EQ(ParseRealText("0,15e1"), 1.5);
  EXPECT_THROW(ParseRealText("1.5"), EConvertError);
  EXPECT_EQ(FormatRealText(0.00001), "1E-5");
  EXPECT_EQ(FormatRealText(1.0 / 3), "0,333333333333333");
  // NumberText.cpp
  EXPECT_EQ(ParseIntegerText("  -17"), -17);
  EXPECT_EQ(ParseIntegerText("0X7fffffff"), 2147483647);
  EXPECT_EQ(ParseIntegerText("$80000000"), std::numeric_limits<int32_t>::min());
  EXPECT_THROW(ParseIntegerText("4 2"), EConvertError);
  EXPECT_THROW(ParseIntegerText("-$1"), EConvertError);
  EXPECT_EQ(ParseExtendedText("2,5"), 2.5L);
  EXPECT_EQ(Bits(static_cast<double>(ParseExtendedText("-,"))), Bits(-0.0));
  EXPECT_GT(ParseExtendedText("1E4932"), 0.99e4932L);
  EXPECT_THROW(ParseExtendedText("1,2E4932"), EConvertError);
  EXPECT_THROW(ParseExtendedText("1E5000"), EConvertError);
  EXPECT_EQ(ParseRealText(" -2,5E-3 "), -0.0025);
  EXPECT_THROW(ParseRealText("1E400"), EConvertError);
  EXPECT_EQ(FormatIntegerText(std::numeric_limits<int32_t>::min()), "-2147483648");
  EXPECT_EQ(FormatIntegerText(0), "0");
  EXPECT_EQ(FormatRealText(0.0001), "0,0001");
  EXPECT_EQ(FormatRealText(123456789012345678.0), "1,23456789012346E17");
  EXPECT_EQ(FormatRealText(-0.00001), "-1E-5");
}

// ---------------------------------------------------------------- stability

// A display read back and displayed again shows the same text, and the value
// read back lies within half a unit of the 15th digit of the original.
TEST_F(NumberText, DisplayIsStableUnderReadBack) {
  std::mt19937_64 rng(4932);
  std::uniform_real_distribution<double> decade(-30.0, 30.0);
  int checked = 0;
  for (int k = 0; k < 300000; ++k) {
    double x;
    if (k % 2 == 0) {
      x = FromBits(rng());  // any bit pattern: all magnitudes, subnormals too
      if (!std::isfinite(x)) continue;
    } else {
      x = std::pow(10.0, decade(rng)) * ((rng() & 1) ? -1 : 1);  // everyday sizes
    }
    const std::string shown = FormatRealText(x);
    // Only displays of the few doubles next to the largest one lie above the
    // double range (see DoubleOverflowBoundary).
    if (std::fabs(x) >= 1.797693134862315e308) continue;
    double back;
    try {
      back = ParseRealText(shown);
    } catch (const EConvertError&) {
      ADD_FAILURE() << shown << " from " << x;
      break;
    }
    ASSERT_EQ(FormatRealText(back), shown) << x;
    ASSERT_LE(std::fabs(back - x), 5.3e-15 * std::fabs(x) + std::numeric_limits<double>::denorm_min())
        << shown << " from " << x;
    ++checked;
  }
  EXPECT_GT(checked, 290000);
}

}  // namespace
