// The real parser against an independent model of the same arithmetic in
// MPFR: a 64-bit significand, the exponent range of the x87 extended format
// with its subnormals, and one rounding to nearest after every step. The
// model never parses a text: it is built from the parts the text generator
// chose, so a reading fault and an arithmetic fault both show as mismatches.
//
// ZK_ORACLE_TEXTS=<n> sets the number of random texts (default 1000000).

#include <gtest/gtest.h>
#include <mpfr.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>

#include "toolkit/WindowText.h"

namespace {

// One model of the working format; the exponent range is set once, before any
// value exists.
class Extended {
public:
  Extended() {
    static const bool range_set = [] {
      mpfr_set_emin(-16444);  // 2^-16445, the smallest subnormal, is 0.1b * 2^-16444
      mpfr_set_emax(16384);   // everything below 2^16384
      return true;
    }();
    (void)range_set;
    mpfr_init2(x_, 64);
    mpfr_set_zero(x_, 1);
  }
  ~Extended() { mpfr_clear(x_); }
  Extended(const Extended&) = delete;
  Extended& operator=(const Extended&) = delete;

  mpfr_ptr get() { return x_; }
  mpfr_srcptr get() const { return x_; }

  // Called after every operation with its ternary value.
  void Round(int t) {
    t = mpfr_check_range(x_, t, MPFR_RNDN);
    mpfr_subnormalize(x_, t, MPFR_RNDN);
  }

  void SetPowerOfTen(unsigned long n) { Round(mpfr_ui_pow_ui(x_, 10, n, MPFR_RNDN)); }
  void TimesTenPlus(unsigned d) {
    Round(mpfr_mul_ui(x_, x_, 10, MPFR_RNDN));
    Round(mpfr_add_ui(x_, x_, d, MPFR_RNDN));
  }
  void Times(const Extended& f) { Round(mpfr_mul(x_, x_, f.x_, MPFR_RNDN)); }
  void Over(const Extended& f) { Round(mpfr_div(x_, x_, f.x_, MPFR_RNDN)); }
  void Negate() { mpfr_neg(x_, x_, MPFR_RNDN); }

  bool finite() const { return mpfr_number_p(x_) != 0; }
  long double value() const { return mpfr_get_ld(x_, MPFR_RNDN); }  // exact: 64 bits fit

private:
  mpfr_t x_;
};

// The three tables of powers, each entry the correctly rounded power.
class PowerTables {
public:
  PowerTables() {
    for (unsigned n = 0; n < 32; ++n) units_[n].SetPowerOfTen(n);
    for (unsigned n = 0; n < 16; ++n) thirtytwos_[n].SetPowerOfTen(32ul * n);
  }
  const Extended& Units(uint64_t n) const { return units_[n]; }
  const Extended& Thirtytwos(uint64_t n) const { return thirtytwos_[n]; }
  const Extended& FiveTwelves(uint64_t n) {
    auto it = five_twelves_.find(n);
    if (it == five_twelves_.end()) {
      it = five_twelves_.try_emplace(n).first;
      it->second.SetPowerOfTen(static_cast<unsigned long>(512 * n));  // infinite from n = 10
    }
    return it->second;
  }

private:
  Extended units_[32];
  Extended thirtytwos_[16];
  std::map<uint64_t, Extended> five_twelves_;
};

// A text and the parts it was built from.
struct Generated {
  std::string text;
  std::string point_text;  // the same number written with '.', for strtod
  bool negative = false;
  std::string digits;      // integer and fraction digits, in order
  int64_t fraction_digits = 0;
  std::string exponent_digits;
  bool exponent_negative = false;
  bool has_digits = false;
};

// The model's reading of the exponent: digits are taken while the exponent
// is below 500; a digit left over makes the text invalid.
bool ModelExponent(const Generated& g, int64_t* exponent) {
  int64_t e = 0;
  std::size_t k = 0;
  while (k < g.exponent_digits.size() && e < 500) e = e * 10 + (g.exponent_digits[k++] - '0');
  *exponent = g.exponent_negative ? -e : e;
  return k == g.exponent_digits.size();
}

// The model's value; false when the text must be refused.
bool ModelValue(const Generated& g, PowerTables& tables, Extended& x) {
  int64_t exponent;
  if (!ModelExponent(g, &exponent)) return false;
  mpfr_set_zero(x.get(), 1);
  for (char c : g.digits) x.TimesTenPlus(static_cast<unsigned>(c - '0'));
  const int64_t p = exponent - g.fraction_digits;
  const uint64_t a = static_cast<uint64_t>(p < 0 ? -p : p);
  if (p > 0) {
    x.Times(tables.Units(a % 32));
    x.Times(tables.Thirtytwos((a / 32) % 16));
    x.Times(tables.FiveTwelves(a / 512));
  } else if (p < 0) {
    x.Over(tables.Units(a % 32));
    x.Over(tables.Thirtytwos((a / 32) % 16));
    x.Over(tables.FiveTwelves(a / 512));
  }
  if (g.negative) x.Negate();
  return x.finite();
}

bool SameBits(long double a, long double b) {
  // The x87 format uses the first 10 of its 16 bytes.
  return std::memcmp(&a, &b, 10) == 0;
}

std::string Show(long double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%La (%.21Lg)", v, v);
  return buf;
}

class Generator {
public:
  explicit Generator(uint64_t seed) : rng_(seed) {}

  Generated Next(int min_digits = 1, int max_digits = 25) {
    Generated g;
    std::string body;
    const std::string lead(Pick(8) == 0 ? Pick(4) : 0, ' ');
    const unsigned sign = Pick(4);  // none, "+", "-", "-"
    if (sign == 1) body += '+';
    if (sign >= 2) body += '-';
    g.negative = sign >= 2;

    const int count = min_digits + static_cast<int>(Pick(static_cast<unsigned>(max_digits - min_digits + 1)));
    const bool separator = Pick(4) != 0;
    const int before = separator ? static_cast<int>(Pick(static_cast<unsigned>(count + 1))) : count;
    const bool bare = separator && Pick(500) == 0;  // "," or "-," with no digits at all
    const unsigned zeros = Pick(6) == 0 ? Pick(static_cast<unsigned>(count + 1)) : 0;
    for (int k = 0; k < count && !bare; ++k) {
      g.digits += static_cast<char>('0' + (k < static_cast<int>(zeros) ? 0 : Pick(10)));
    }
    std::string point_body = body;
    const std::string int_part = g.digits.substr(0, bare ? 0 : static_cast<std::size_t>(before));
    const std::string frac_part = bare ? "" : g.digits.substr(static_cast<std::size_t>(before));
    body += int_part;
    point_body += int_part;
    if (separator) {
      body += WindowDecimalSeparator;
      point_body += '.';
      body += frac_part;
      point_body += frac_part;
    }
    g.fraction_digits = static_cast<int64_t>(frac_part.size());
    g.has_digits = !g.digits.empty();

    std::string exponent;
    if (Pick(5) != 0) {
      exponent += Pick(2) ? 'E' : 'e';
      const unsigned kind = Pick(100);
      int64_t e;
      if (kind < 70) {
        e = static_cast<int64_t>(Pick(801)) - 400;
      } else if (kind < 88) {
        e = static_cast<int64_t>(Pick(9901)) - 4950;
      } else if (kind < 96) {
        e = (4900 + static_cast<int64_t>(Pick(100))) * (Pick(2) ? 1 : -1);  // the extremes
      } else if (kind < 98) {
        // Must fail: a digit follows the one that reached 500.
        e = (5000 + static_cast<int64_t>(Pick(2) ? Pick(100) : Pick(100000))) * (Pick(2) ? 1 : -1);
      } else {
        e = 0;
        g.exponent_negative = Pick(2) != 0;
        if (Pick(2)) exponent += g.exponent_negative ? '-' : '+';
        else g.exponent_negative = false;
        // "E", "E+", "E-": no digits, exponent 0
      }
      if (kind < 98) {
        g.exponent_negative = e < 0;
        if (e < 0) exponent += '-';
        else if (Pick(3) == 0) exponent += '+';
        g.exponent_digits = std::string(Pick(8) == 0 ? Pick(3) : 0, '0') +
                            std::to_string(e < 0 ? -e : e);
        exponent += g.exponent_digits;
      }
    }
    const std::string trail(Pick(8) == 0 ? Pick(4) : 0, ' ');
    g.text = lead + body + exponent + trail;
    std::string point_exponent = exponent;
    g.point_text = point_body + point_exponent;
    return g;
  }

private:
  unsigned Pick(unsigned n) { return static_cast<unsigned>(rng_() % n); }
  std::mt19937_64 rng_;
};

long TextCount() {
  const char* s = std::getenv("ZK_ORACLE_TEXTS");
  if (s == nullptr || *s == '\0') return 1000000;
  return std::strtol(s, nullptr, 10);
}

// Runs one text through both; returns false (after recording a failure) on
// the first disagreement.
bool Agrees(const Generated& g, PowerTables& tables, Extended& model) {
  const bool valid = ModelValue(g, tables, model);
  long double got = 0;
  bool threw = false;
  try {
    got = ParseExtendedText(g.text);
  } catch (const EConvertError& e) {
    threw = true;
    if (e.Message() != RealErrorMessage(g.text)) {
      ADD_FAILURE() << "message " << e.Message();
      return false;
    }
  }
  if (!valid) {
    if (!threw) ADD_FAILURE() << "'" << g.text << "' accepted as " << Show(got) << ", model refuses it";
    return threw;
  }
  if (threw) {
    ADD_FAILURE() << "'" << g.text << "' refused, model gives " << Show(model.value());
    return false;
  }
  if (!SameBits(got, model.value())) {
    ADD_FAILURE() << "'" << g.text << "' gives " << Show(got) << ", model " << Show(model.value());
    return false;
  }
  return true;
}

TEST(ParseOracle, RandomTextsAgreeBitForBit) {
  ASSERT_EQ(WindowDecimalSeparator, ',');
  PowerTables tables;
  Extended model;
  Generator generator(16444);
  const long count = TextCount();
  long accepted = 0, refused = 0, subnormal = 0, compared = 0, differs_from_strtod = 0;
  for (long k = 0; k < count; ++k) {
    const Generated g = generator.Next();
    if (!Agrees(g, tables, model)) break;
    long double x;
    try {
      x = ParseExtendedText(g.text);
    } catch (const EConvertError&) {
      ++refused;
      continue;
    }
    ++accepted;
    if (x != 0 && std::fabs(x) < 0x1p-16382L) ++subnormal;
    // How often the stepwise arithmetic differs from the correctly rounded
    // double; a known property of the method, not a fault.
    if (g.has_digits) {
      double real;
      try {
        real = ParseRealText(g.text);
      } catch (const EConvertError&) {
        continue;  // beyond the double range
      }
      const double correct = std::strtod(g.point_text.c_str(), nullptr);
      ++compared;
      if (std::memcmp(&real, &correct, sizeof real) != 0) ++differs_from_strtod;
    }
  }
  std::printf("oracle: %ld texts, %ld accepted (%ld subnormal), %ld refused; "
              "%ld of %ld doubles differ from the correctly rounded one\n",
              count, accepted, subnormal, refused, differs_from_strtod, compared);
  EXPECT_GT(accepted, count / 2);
  EXPECT_GT(refused, count / 100);
  EXPECT_GT(subnormal, 0);
}

// Every combination of the three table entries, on both sides: for each p
// one text per mantissa, with fraction digits where the exponent alone could
// not reach p. Beyond -5120 the largest factor is infinite and the quotient
// underflows to zero.
TEST(ParseOracle, EveryPowerAgrees) {
  PowerTables tables;
  Extended model;
  const char* mantissas[] = {"1", "123456789012345678901234", "18446744073709551615", "7"};
  for (int64_t p = -5700; p <= 4999; ++p) {
    const int64_t fraction = p < -4999 ? -4999 - p : 0;
    for (const char* m : mantissas) {
      Generated g;
      g.digits = std::string(m) + std::string(static_cast<std::size_t>(fraction), '0');
      g.fraction_digits = fraction;
      const int64_t e = p + fraction;
      g.exponent_negative = e < 0;
      g.exponent_digits = std::to_string(e < 0 ? -e : e);
      g.text = std::string(m) + (fraction > 0 ? "," + std::string(static_cast<std::size_t>(fraction), '0') : "") +
               "E" + (e < 0 ? "-" : "") + g.exponent_digits;
      ASSERT_TRUE(Agrees(g, tables, model)) << p;
    }
  }
}

// Digit strings far longer than the significand, up to and beyond the point
// where the accumulator itself overflows.
TEST(ParseOracle, LongDigitStringsAgree) {
  PowerTables tables;
  Extended model;
  Generator generator(4951);
  for (int k = 0; k < 3000; ++k) {
    const Generated g = generator.Next(26, 700);
    ASSERT_TRUE(Agrees(g, tables, model));
  }
  for (int k = 0; k < 60; ++k) {
    const Generated g = generator.Next(4900, 5100);
    ASSERT_TRUE(Agrees(g, tables, model));
  }
}

// The display as MPFR's own decimal digits give it: 18 significant digits
// rounded to nearest, cut to 15 by integer arithmetic here.
std::string MpfrDisplay(double v) {
  mpfr_t x;
  mpfr_init2(x, 53);
  mpfr_set_d(x, v, MPFR_RNDN);  // exact
  mpfr_abs(x, x, MPFR_RNDN);
  char digits18[32];
  mpfr_exp_t e10;
  mpfr_get_str(digits18, &e10, 10, 18, x, MPFR_RNDN);  // value = 0.d1...d18 * 10^e10
  mpfr_clear(x);
  unsigned long long n = std::strtoull(digits18, nullptr, 10);
  unsigned long long q = n / 1000 + (n % 1000 >= 500 ? 1 : 0);
  long E = e10;
  if (q == 1000000000000000ull) {
    q /= 10;
    ++E;
  }
  std::string d = std::to_string(q);
  while (d.back() == '0') d.pop_back();
  const long len = static_cast<long>(d.size());
  std::string expected = v < 0 ? "-" : "";
  if (E >= -3 && E <= 0) {
    expected += "0," + std::string(static_cast<std::size_t>(-E), '0') + d;
  } else if (E > 0 && E <= 15) {
    const std::string padded = d + std::string(static_cast<std::size_t>(std::max(0L, E - len)), '0');
    expected += padded.substr(0, static_cast<std::size_t>(E));
    if (len > E) expected += "," + padded.substr(static_cast<std::size_t>(E));
  } else {
    expected += d.substr(0, 1);
    if (len > 1) expected += "," + d.substr(1);
    expected += "E" + std::to_string(E - 1);
  }
  return expected;
}

TEST(FormatOracle, RandomDoublesAgreeWithMpfrDigits) {
  ASSERT_EQ(WindowDecimalSeparator, ',');
  std::mt19937_64 rng(1074);
  for (int k = 0; k < 200000; ++k) {
    uint64_t bits = rng();
    if (k % 3 == 0) bits = (bits & 0x800FFFFFFFFFFFFFull) | ((1023ull + rng() % 60 - 30) << 52);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v) || v == 0) continue;
    ASSERT_EQ(FormatRealText(v), MpfrDisplay(v)) << v;
  }
}

// Values typed as short decimals, whose shortest digits are the display,
// and their neighbours one step away, whose 16 or 17 digits are cut: the
// two ways the display is found meet here. Also at the ends of the normal
// range and just below powers of ten, where a cut carries into a new digit.
TEST(FormatOracle, ShortDecimalsAndTheirNeighboursAgreeWithMpfrDigits) {
  std::mt19937_64 rng(15);
  auto check = [](double v) {
    if (!std::isfinite(v) || v == 0) return true;
    const std::string expected = MpfrDisplay(v);
    EXPECT_EQ(FormatRealText(v), expected) << std::hexfloat << v;
    return FormatRealText(v) == expected;
  };
  for (int k = 0; k < 300000; ++k) {
    unsigned long long scale = 10;
    for (int digits = static_cast<int>(rng() % 15); digits > 0; --digits) scale *= 10;
    char text[64];
    std::snprintf(text, sizeof text, "%llue%d", rng() % scale, static_cast<int>(rng() % 600) - 300);
    const double v = std::strtod(text, nullptr);
    const double sign = rng() % 2 ? -1.0 : 1.0;
    for (double w : {v, std::nextafter(v, 0.0), std::nextafter(v, HUGE_VAL)})
      ASSERT_TRUE(check(sign * w)) << text;
  }
  for (double edge : {DBL_MIN, 2.2250738585072014e-308, 2.2250738585072019e-308, DBL_MAX, 9.99999999999999e22,
                      9.999999999999999e22, 999999999999999.9, 0.0009999999999999999, 1e15, 1e16, 1e-5})
    for (double w : {edge, std::nextafter(edge, 0.0), std::nextafter(edge, HUGE_VAL)}) EXPECT_TRUE(check(w));
}

}  // namespace
