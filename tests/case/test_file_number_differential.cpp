// The file conversions against the C library's snprintf ("C" locale) where
// both must agree: results of at most 19 significant digits below 1E40 for
// "f", every finite double for "e" (at most 7 digits there).

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "case/FileNumber.h"

namespace {

uint64_t Next(uint64_t& s) {  // splitmix64
  uint64_t z = (s += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

double Unit(uint64_t& s) { return static_cast<double>(Next(s) >> 11) * 0x1p-53; }

// One random double from a mix of the magnitudes the file sees and the ones
// that stress the rounding.
double Draw(uint64_t& s, int kind) {
  switch (kind) {
    case 0:  // log-uniform 1e-8 .. 1e17
      return std::pow(10.0, -8.0 + 25.0 * Unit(s));
    case 1:  // exact binary fractions: many exact ties at the last digit
      return std::ldexp(static_cast<double>(Next(s) % 100000000), -static_cast<int>(Next(s) % 12));
    case 2:  // decimal-looking inputs, as typed: k / 100, k / 1000
      return static_cast<double>(Next(s) % 10000000) / (Next(s) % 2 ? 100.0 : 1000.0);
    case 3: {  // any finite bit pattern
      for (;;) {
        uint64_t bits = Next(s);
        double v;
        std::memcpy(&v, &bits, sizeof v);
        if (std::isfinite(v)) return v;
      }
    }
    case 4:  // subnormals and tiny values
      return std::ldexp(Unit(s), -1022 - static_cast<int>(Next(s) % 52));
    default:  // near 10^19 / 10^d, where the 19-digit bound starts
      return std::pow(10.0, 12.0 + 7.0 * Unit(s));
  }
}

int SignificantDigits(const char* s) {
  int n = 0;
  bool started = false;
  for (; *s != '\0' && *s != 'e'; ++s) {
    if (*s >= '1' && *s <= '9') started = true;
    if (started && *s >= '0' && *s <= '9') ++n;
  }
  return n;
}

TEST(FileNumberDifferential, MatchesSnprintfOnAMillionDoubles) {
  ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
  uint64_t seed = 20261208;
  constexpr int kDoubles = 1'000'000;
  const int fixed_decimals[] = {2, 4, 5, 6, 0, 1, 3};
  const int exp_decimals[] = {1, 2, 0, 3, 6};
  long fixed_compared = 0;
  long exp_compared = 0;
  long failures = 0;
  char want[512];
  char got[kMaxFileNumber];
  for (int i = 0; i < kDoubles; ++i) {
    double v = Draw(seed, i % 6);
    if (Next(seed) & 1) v = -v;
    // The four used fixed conversions on every value, the others in turn.
    for (int k = 0; k < 5; ++k) {
      const int d = k < 4 ? fixed_decimals[k] : fixed_decimals[4 + i % 3];
      if (!(std::fabs(v) < 1e40)) break;
      std::snprintf(want, sizeof want, "% 10.*f", d, v);
      if (SignificantDigits(want) > 19) continue;
      const std::size_t n = WriteFixed(got, v, d);
      ++fixed_compared;
      if (std::string(got, n) != want && ++failures <= 10) {
        ADD_FAILURE() << "f" << d << " of " << std::hexfloat << v << ": got '"
                      << std::string(got, n) << "' want '" << want << "'";
      }
    }
    for (int k = 0; k < 3; ++k) {
      const int d = k < 2 ? exp_decimals[k] : exp_decimals[2 + i % 3];
      std::snprintf(want, sizeof want, "% 10.*e", d, v);
      const std::size_t n = WriteExp(got, v, d);
      ++exp_compared;
      if (std::string(got, n) != want && ++failures <= 10) {
        ADD_FAILURE() << "e" << d << " of " << std::hexfloat << v << ": got '"
                      << std::string(got, n) << "' want '" << want << "'";
      }
    }
  }
  EXPECT_EQ(failures, 0);
  // Most values must really have been compared, in both families.
  EXPECT_GT(fixed_compared, 3L * kDoubles);
  EXPECT_EQ(exp_compared, 3L * kDoubles);
}

}  // namespace
