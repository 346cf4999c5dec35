#include <gtest/gtest.h>
#include <mpfr.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "case/FileNumber.h"

namespace {

enum class Conv { kFixed, kExp };

struct Row {
  const char* name;
  double value;
  Conv conv;
  int decimals;
  const char* text;
};

std::string Format(Conv conv, double v, int d) {
  std::string out;
  if (conv == Conv::kFixed) {
    AppendFixed(out, v, d);
  } else {
    AppendExp(out, v, d);
  }
  return out;
}

void CheckRows(const Row* rows, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    SCOPED_TRACE(rows[i].name);
    EXPECT_EQ(Format(rows[i].conv, rows[i].value, rows[i].decimals), rows[i].text);
    // The raw form writes the same bytes and says how many.
    char buffer[kMaxFileNumber];
    const std::size_t n = rows[i].conv == Conv::kFixed
                              ? WriteFixed(buffer, rows[i].value, rows[i].decimals)
                              : WriteExp(buffer, rows[i].value, rows[i].decimals);
    EXPECT_EQ(std::string(buffer, n), rows[i].text);
  }
}

// The examples of the file format's conversion table, and the ones above the
// conversions in FileNumber.h.
TEST(FileNumber, FormatExamples) {
  const Row rows[] = {
      {"1E8 e1", 1e8, Conv::kExp, 1, "   1.0e+08"},
      {"0.95 e2", 0.95, Conv::kExp, 2, "  9.50e-01"},
      {"1E-20 e2", 1e-20, Conv::kExp, 2, "  1.00e-20"},
      {"5 e2", 5, Conv::kExp, 2, "  5.00e+00"},
      {"0 e2", 0, Conv::kExp, 2, "  0.00e+00"},
      {"0.995 f5", 0.995, Conv::kFixed, 5, "   0.99500"},
      {"0.0001 f6", 0.0001, Conv::kFixed, 6, "  0.000100"},
      {"0 f2", 0, Conv::kFixed, 2, "      0.00"},
      {"-1 f2", -1, Conv::kFixed, 2, "     -1.00"},
      {"-0 f2", -0.0, Conv::kFixed, 2, "     -0.00"},
      {"1234567.891 f2 widens", 1234567.891, Conv::kFixed, 2, " 1234567.89"},
      {"0.125 f2 header", 0.125, Conv::kFixed, 2, "      0.12"},
      {"1e100 e2 three exponent digits", 1e100, Conv::kExp, 2, " 1.00e+100"},
  };
  CheckRows(rows, std::size(rows));
}

TEST(FileNumber, FixedRoundsExactValueTiesToEven) {
  const Row rows[] = {
      {"0.125 tie down", 0.125, Conv::kFixed, 2, "      0.12"},
      {"0.375 tie up", 0.375, Conv::kFixed, 2, "      0.38"},
      {"2.5 f0 tie down", 2.5, Conv::kFixed, 0, "         2"},
      {"3.5 f0 tie up", 3.5, Conv::kFixed, 0, "         4"},
      {"0.5 f0 tie to zero", 0.5, Conv::kFixed, 0, "         0"},
      {"-0.125 tie down", -0.125, Conv::kFixed, 2, "     -0.12"},
      // 1.005 is really 1.00499999999999989..., so it rounds down.
      {"1.005 below tie", 1.005, Conv::kFixed, 2, "      1.00"},
      // 0.995 is 0.99499999999999999555...
      {"0.995 f2 below tie", 0.995, Conv::kFixed, 2, "      0.99"},
      {"9.995 f2 below tie", 9.995, Conv::kFixed, 2, "      9.99"},
      {"99.995 f2 above tie", 99.995, Conv::kFixed, 2, "    100.00"},
      {"0.015625 f5 tie even", 0.015625, Conv::kFixed, 5, "   0.01562"},
      {"0.046875 f5 tie odd", 0.046875, Conv::kFixed, 5, "   0.04688"},
      {"tiny positive f2", 1e-300, Conv::kFixed, 2, "      0.00"},
      {"tiny negative f2 keeps sign", -1e-300, Conv::kFixed, 2, "     -0.00"},
      {"0.004999 f2", 0.004999, Conv::kFixed, 2, "      0.00"},
      {"0.005001 f2", 0.005001, Conv::kFixed, 2, "      0.01"},
      {"0.0000005 f6", 0.0000005, Conv::kFixed, 6, "  0.000000"},  // just below 5e-7
      {"0.0000015 f6", 0.0000015, Conv::kFixed, 6, "  0.000002"},
      {"-0 f0", -0.0, Conv::kFixed, 0, "        -0"},
      {"-0 f6", -0.0, Conv::kFixed, 6, " -0.000000"},
      {"1 f0 no point", 1, Conv::kFixed, 0, "         1"},
      {"big fits ten", 999999.99, Conv::kFixed, 2, " 999999.99"},
      {"negative fills ten", -999999.99, Conv::kFixed, 2, "-999999.99"},
      {"each digit count f2", -12345.5, Conv::kFixed, 2, " -12345.50"},
      {"binary exponent 0 f2", 1.0, Conv::kFixed, 2, "      1.00"},
      {"integer above 2^53 f2", 0x1p60, Conv::kFixed, 2, " 1152921504606846976.00"},
      {"carry widens", 999999.999, Conv::kFixed, 2, " 1000000.00"},
      {"negative widens", -1234567.891, Conv::kFixed, 2, "-1234567.89"},
      {"2^53 f2", 9007199254740992.0, Conv::kFixed, 2, " 9007199254740992.00"},
  };
  CheckRows(rows, std::size(rows));
}

TEST(FileNumber, ExpLayout) {
  const Row rows[] = {
      {"e0 no point", 12345, Conv::kExp, 0, "     1e+04"},
      {"e1 carry to next exponent", 9.96, Conv::kExp, 1, "   1.0e+01"},
      {"e2 carry 9.995 is below tie", 9.995, Conv::kExp, 2, "  9.99e+00"},
      {"e2 tie to even 1.125", 1.125, Conv::kExp, 2, "  1.12e+00"},
      {"e2 tie to even 1.375", 1.375, Conv::kExp, 2, "  1.38e+00"},
      {"e2 negative", -0.0001, Conv::kExp, 2, " -1.00e-04"},
      {"e2 negative zero", -0.0, Conv::kExp, 2, " -0.00e+00"},
      {"e6 widens", 123.456789, Conv::kExp, 6, " 1.234568e+02"},
      {"e2 DBL_MAX", DBL_MAX, Conv::kExp, 2, " 1.80e+308"},
      {"e2 -DBL_MAX", -DBL_MAX, Conv::kExp, 2, "-1.80e+308"},
      {"e2 DBL_MIN", DBL_MIN, Conv::kExp, 2, " 2.23e-308"},
      {"e2 smallest subnormal", 4.9406564584124654e-324, Conv::kExp, 2, " 4.94e-324"},
      {"e2 largest subnormal", 2.2250738585072009e-308, Conv::kExp, 2, " 2.23e-308"},
      {"e1 subnormal 1e-310", 1e-310, Conv::kExp, 1, "  1.0e-310"},
      {"e2 1e-100", 1e-100, Conv::kExp, 2, " 1.00e-100"},
      {"e2 1e40 keeps two decimals", 1e40, Conv::kExp, 2, "  1.00e+40"},
      {"e2 1e99", 1e99, Conv::kExp, 2, "  1.00e+99"},
      {"e1 1e-5", 1e-5, Conv::kExp, 1, "   1.0e-05"},
  };
  CheckRows(rows, std::size(rows));
}

// Hand-checked against the exact values (2^70 = 1180591620717411303424,
// double(1e23) = 99999999999999991611392, double(1e40) =
// 10000000000000000303786028427003666890752, DBL_MAX = 1797693134862315708145...).
TEST(FileNumber, FixedLimits) {
  const Row rows[] = {
      {"2^70 f2 19 digits then zeros", 1180591620717411303424.0, Conv::kFixed, 2,
       " 1180591620717411303000.00"},
      {"1e23 f2", 1e23, Conv::kFixed, 2, " 99999999999999991610000.00"},
      {"1e23 f0", 1e23, Conv::kFixed, 0, " 99999999999999991610000"},
      {"-2^70 f6", -1180591620717411303424.0, Conv::kFixed, 6,
       "-1180591620717411303000.000000"},
      // 2^64 + 2^12 = 18446744073709555712 and 2^64 + 2^13 =
      // 18446744073709559808: the 20th digit decides.
      {"2^64+4096 f2 rounds down at 19", 18446744073709555712.0, Conv::kFixed, 2,
       " 18446744073709555710.00"},
      {"2^64+8192 f2 rounds up at 19", 18446744073709559808.0, Conv::kFixed, 2,
       " 18446744073709559810.00"},
      // 1e38 is 99999999999999997748809823456034029568: 38 integer digits.
      {"1e38 f2 38 digits keep 2", 1e38, Conv::kFixed, 2,
       " 99999999999999997750000000000000000000.00"},
      {"1e38 f6 38 digits keep 2", 1e38, Conv::kFixed, 6,
       " 99999999999999997750000000000000000000.00"},
      // 2e38 = 199999999999999995497619646912068059136: 39 digits.
      {"2e38 f2 keeps 1", 2e38, Conv::kFixed, 2,
       " 199999999999999995500000000000000000000.0"},
      {"2e38 f5 keeps 1", 2e38, Conv::kFixed, 5,
       " 199999999999999995500000000000000000000.0"},
      // 5e39 = 5000000000000000151893014213501833445376: 40 digits, no point.
      {"5e39 f2 no point", 5e39, Conv::kFixed, 2,
       " 5000000000000000152000000000000000000000"},
      {"-5e39 f4 no point", -5e39, Conv::kFixed, 4,
       "-5000000000000000152000000000000000000000"},
      {"1e40 f2 e layout", 1e40, Conv::kFixed, 2,
       " 1.000000000000000030000000000000000000000e+40"},
      {"-1e40 f6 e layout", -1e40, Conv::kFixed, 6,
       "-1.000000000000000030000000000000000000000e+40"},
      {"DBL_MAX f2 e layout", DBL_MAX, Conv::kFixed, 2,
       " 1.797693134862315708000000000000000000000e+308"},
      {"1e100 f4 e layout", 1e100, Conv::kFixed, 4,
       " 1.000000000000000016000000000000000000000e+100"},
      {"1e16 f4 20 digits", 1e16, Conv::kFixed, 4, " 10000000000000000.0000"},
      // 123456789012.3456789 is 123456789012.34567260742...: 18 digits, plain rounding.
      {"1.2e11 f6 19th digit", 123456789012.3456789, Conv::kFixed, 6,
       " 123456789012.345673"},
      // Exactly 19 digits: still plain rounding.
      {"1.2e12 f6 19 digits", 1234567890123.456787109375, Conv::kFixed, 6,
       " 1234567890123.456787"},
      // 12345678901234.568359375 needs 20: rounded at the 19th, then '0'.
      {"1.2e13 f6 zero past 19", 12345678901234.5678, Conv::kFixed, 6,
       " 12345678901234.568360"},
  };
  CheckRows(rows, std::size(rows));
}

TEST(FileNumber, SpecialValuesDoNotCrash) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Row rows[] = {
      {"inf f2", inf, Conv::kFixed, 2, "       inf"},
      {"-inf f2", -inf, Conv::kFixed, 2, "      -inf"},
      {"nan f2", nan, Conv::kFixed, 2, "       nan"},
      {"-nan f2", -nan, Conv::kFixed, 2, "      -nan"},
      {"inf e2", inf, Conv::kExp, 2, "       inf"},
      {"-inf e1", -inf, Conv::kExp, 1, "      -inf"},
      {"nan e2", nan, Conv::kExp, 2, "       nan"},
  };
  CheckRows(rows, std::size(rows));
}

TEST(FileNumber, Int10) {
  struct {
    const char* name;
    int32_t value;
    const char* text;
  } const rows[] = {
      {"30", 30, "        30"},
      {"zero", 0, "         0"},
      {"negative", -7, "        -7"},
      {"ten digits", 1234567890, "1234567890"},
      {"max", INT32_MAX, "2147483647"},
      {"min widens", INT32_MIN, "-2147483648"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    std::string out;
    AppendInt10(out, r.value);
    EXPECT_EQ(out, r.text);
    char buffer[kMaxFileNumber];
    EXPECT_EQ(std::string(buffer, WriteInt10(buffer, r.value)), r.text);
  }
}

// The expected "f" text from MPFR's correctly rounded digits: the exact value
// rounded to min(19, digits down to 10^-d) significant digits, later
// positions '0', at most 40 digits, 1E40 and more in the 40-digit "e" layout.
std::string OracleFixed(double v, int d) {
  mpfr_t x;
  mpfr_init2(x, 53);
  mpfr_set_d(x, v, MPFR_RNDN);
  std::string sign = std::signbit(v) ? "-" : " ";
  mpfr_abs(x, x, MPFR_RNDN);
  mpfr_exp_t exp10;
  // First find the decimal exponent from 19 digits, then the digit count.
  char* probe = mpfr_get_str(nullptr, &exp10, 10, 19, x, MPFR_RNDN);
  mpfr_free_str(probe);
  // exp10: value = 0.ddd * 10^exp10. Integer digits = exp10 (before carry
  // fix-ups, which the second call settles).
  long want = exp10 + d;
  if (want > 19) want = 19;
  std::string digits;
  long int_digits;
  if (want < 1) {
    digits = "";
    int_digits = 0;
    // |v| < 10^-d... rounds to 0 or 1 unit of 10^-d.
    mpfr_t scaled;
    mpfr_init2(scaled, 200);
    mpfr_mul_ui(scaled, x, 1, MPFR_RNDN);
    for (int i = 0; i < d; ++i) mpfr_mul_ui(scaled, scaled, 10, MPFR_RNDN);
    mpfr_rint(scaled, scaled, MPFR_RNDN);
    const long unit = mpfr_get_si(scaled, MPFR_RNDN);
    mpfr_clear(scaled);
    std::string t = std::to_string(unit);
    while (static_cast<long>(t.size()) < d + 1) t = "0" + t;
    mpfr_clear(x);
    return sign + t.substr(0, t.size() - static_cast<std::size_t>(d)) + (d ? "." : "") +
           t.substr(t.size() - static_cast<std::size_t>(d));
  }
  char* s = mpfr_get_str(nullptr, &exp10, 10, static_cast<std::size_t>(want), x, MPFR_RNDN);
  digits = s;
  mpfr_free_str(s);
  mpfr_clear(x);
  int_digits = exp10;
  if (int_digits > 40) {
    std::string t = digits.substr(0, 1) + "." + digits.substr(1);
    while (t.size() < 41) t += '0';
    char e[32];
    std::snprintf(e, sizeof e, "e+%02ld", int_digits - 1);
    return sign + t + e;
  }
  long shown = d;
  if (int_digits > 40 - d) shown = 40 - int_digits;
  std::string all = digits;
  while (static_cast<long>(all.size()) < int_digits + shown) all += '0';
  if (int_digits < 1) {
    all = std::string(static_cast<std::size_t>(1 - int_digits), '0') + all;
    int_digits = 1;
  }
  all.resize(static_cast<std::size_t>(int_digits + shown));
  std::string t = all.substr(0, static_cast<std::size_t>(int_digits));
  if (shown > 0) t += "." + all.substr(static_cast<std::size_t>(int_digits));
  t = sign + t;
  while (t.size() < 10) t = " " + t;
  return t;
}

TEST(FileNumber, FixedLimitsAgreeWithMpfrOracle) {
  // Values around and beyond 19 significant digits and the 40-digit bound.
  uint64_t state = 0x9E3779B97F4A7C15ull;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  int checked = 0;
  for (int decimals : {0, 1, 2, 4, 5, 6}) {
    for (int i = 0; i < 6000; ++i) {
      // 2^40 .. 2^1023, and a dense band around 1e38..1e40.
      int exponent = i % 3 == 0 ? 123 + static_cast<int>(next() % 12)
                                : 40 + static_cast<int>(next() % 984);
      const double mant = 1.0 + static_cast<double>(next() >> 11) / 9007199254740992.0;
      double v = std::ldexp(mant, exponent);
      if (i % 2) v = -v;
      SCOPED_TRACE(testing::Message() << v << " f" << decimals);
      ASSERT_EQ(Format(Conv::kFixed, v, decimals), OracleFixed(v, decimals));
      ++checked;
    }
  }
  // The double just below 1E40 stays in the fixed layout with 40 digits.
  const double below = std::nextafter(1e40, 0.0);
  EXPECT_EQ(Format(Conv::kFixed, below, 2), OracleFixed(below, 2));
  EXPECT_EQ(Format(Conv::kFixed, below, 2).size(), 41u);
  EXPECT_EQ(Format(Conv::kFixed, below, 2).find('.'), std::string::npos);
  EXPECT_EQ(checked, 36000);
}

TEST(FileNumber, OracleAgreesWithHandCheckedRows) {
  // The oracle itself must reproduce the hand-checked rows, or the
  // comparison above proves nothing.
  EXPECT_EQ(OracleFixed(1180591620717411303424.0, 2), " 1180591620717411303000.00");
  EXPECT_EQ(OracleFixed(2e38, 2), " 199999999999999995500000000000000000000.0");
  EXPECT_EQ(OracleFixed(5e39, 4), " 5000000000000000152000000000000000000000");
  EXPECT_EQ(OracleFixed(DBL_MAX, 2), " 1.797693134862315708000000000000000000000e+308");
  EXPECT_EQ(OracleFixed(-1234567.891, 2), "-1234567.89");
  EXPECT_EQ(OracleFixed(0.125, 2), "      0.12");
}

}  // namespace
