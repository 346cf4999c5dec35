#include "case/FileNumber.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

// How a value is written, in three steps:
//   1. split |x| into m * 2^e (m < 2^53);
//   2. find q = round-half-even(|x| / 10^p) for the rounding position p the
//      conversion asks for (never finer than the 19th significant digit);
//   3. lay out q * 10^p in the conversion's layout.
// Step 2 has two exact paths: 64- and 128-bit integers for the everyday
// fixed values (the result has at most 19 digits and the scaling fits), and
// std::to_chars's exact digits at a given precision for everything else.
//
// The 1E40 corner: the choice between the fixed layout and the 40-digit "e"
// layout is made on the value as written (rounded to 19 significant digits),
// so a value that would round up to 1E40 is written "1.000...e+40". No double
// lies in that gap (the largest double below 1E40 is about 1E40 - 1.1E24,
// and the gap is 5E20 wide), so the corner only fixes the rule.

namespace {

__extension__ typedef unsigned __int128 u128;

constexpr int kMaxDigits = 19;   // significant digits computed
constexpr int kMaxWritten = 40;  // digits written in all

constexpr uint64_t kPow10[20] = {
    1ull,
    10ull,
    100ull,
    1000ull,
    10000ull,
    100000ull,
    1000000ull,
    10000000ull,
    100000000ull,
    1000000000ull,
    10000000000ull,
    100000000000ull,
    1000000000000ull,
    10000000000000ull,
    100000000000000ull,
    1000000000000000ull,
    10000000000000000ull,
    100000000000000000ull,
    1000000000000000000ull,
    10000000000000000000ull,
};

struct TParts {
  bool negative;
  uint64_t m;  // |x| = m * 2^e
  int e;
  enum { kFinite, kInf, kNan } kind;
};

TParts Split(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  TParts r;
  r.negative = (bits >> 63) != 0;
  const int field = static_cast<int>((bits >> 52) & 0x7FF);
  const uint64_t frac = bits & ((uint64_t{1} << 52) - 1);
  r.kind = TParts::kFinite;
  if (field == 0x7FF) {
    r.kind = frac == 0 ? TParts::kInf : TParts::kNan;
    r.m = 0;
    r.e = 0;
  } else if (field == 0) {
    r.m = frac;
    r.e = -1074;
  } else {
    r.m = frac | (uint64_t{1} << 52);
    r.e = field - 1075;
  }
  return r;
}

// Writes the decimal digits of v (no leading zeros; "" for 0) ending at end,
// returns the start.
constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

char* DigitsBackward(char* end, uint64_t v) {
  while (v >= 100) {
    const unsigned pair = static_cast<unsigned>(v % 100) * 2;
    v /= 100;
    *--end = kPairs[pair + 1];
    *--end = kPairs[pair];
  }
  if (v >= 10) {
    const unsigned pair = static_cast<unsigned>(v) * 2;
    *--end = kPairs[pair + 1];
    *--end = kPairs[pair];
  } else if (v > 0) {
    *--end = static_cast<char>('0' + v);
  }
  return end;
}

// Pads text [begin, end) to width 10 at out. Returns the length.
std::size_t Place(char* out, const char* begin, const char* end) {
  const std::size_t len = static_cast<std::size_t>(end - begin);
  std::size_t pad = len < 10 ? 10 - len : 0;
  std::memset(out, ' ', pad);
  std::memcpy(out + pad, begin, len);
  return pad + len;
}

std::size_t WriteSpecial(char* out, const TParts& x) {
  const char* word = x.kind == TParts::kInf ? "inf" : "nan";
  char text[4] = {x.negative ? '-' : ' ', word[0], word[1], word[2]};
  return Place(out, text, text + 4);
}

// The "e" layout: sign, d.ddd, "e", exponent sign, at least two digits.
// digits/count are the significant digits (count >= 1); missing positions
// up to 1 + decimals are written '0'.
std::size_t WriteELayout(char* out, bool negative, const char* digits, int count,
                         int decimals, int exponent) {
  char text[kMaxWritten + 16];
  char* t = text;
  *t++ = negative ? '-' : ' ';
  *t++ = digits[0];
  if (decimals > 0) {
    *t++ = '.';
    for (int i = 1; i <= decimals; ++i) *t++ = i < count ? digits[i] : '0';
  }
  *t++ = 'e';
  *t++ = exponent < 0 ? '-' : '+';
  const unsigned mag = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
  if (mag >= 100) *t++ = static_cast<char>('0' + mag / 100);
  *t++ = static_cast<char>('0' + mag / 10 % 10);
  *t++ = static_cast<char>('0' + mag % 10);
  return Place(out, text, t);
}

// The fixed layout of q * 10^-decimals (q < 10^19): the common case, and
// the hot one (millions of interval values). The text is built right-
// aligned in a buffer that starts as blanks, so that a value fitting the
// 10 columns goes out as one fixed-size copy, without a call into the C
// library for the padding.
std::size_t WriteFixedSmall(char* out, bool negative, uint64_t q, int decimals) {
  if (std::endian::native == std::endian::little && decimals == 2 && q < 100000000) {
    // "% 10.2f" below a million, the interval values. The first eight
    // columns (blank, six integer digits, point) are built in one 64-bit
    // word: all digit positions filled, then the leading zeros blanked and
    // the sign put before the first digit, without branches on the number
    // of digits and without reading back what was just stored.
    const uint32_t v = static_cast<uint32_t>(q);
    const uint32_t u = v / 100;  // integer part, < 10^6
    auto pair = [](uint32_t two) {
      uint16_t p;
      std::memcpy(&p, kPairs + 2 * two, 2);
      return uint64_t{p};
    };
    uint64_t word = uint64_t{' '} | pair(u / 10000) << 8 | pair(u / 100 % 100) << 24 |
                    pair(u % 100) << 40 | uint64_t{'.'} << 56;
    const int digits = 1 + (u >= 10) + (u >= 100) + (u >= 1000) + (u >= 10000) + (u >= 100000);
    const int first = 7 - digits;  // column of the first integer digit, 1..6
    const uint64_t blanks = (uint64_t{1} << (8 * first)) - 1;
    word = (word & ~blanks) | (0x2020202020202020ull & blanks);
    word ^= static_cast<uint64_t>(negative) * (uint64_t{' ' ^ '-'} << (8 * (first - 1)));
    std::memcpy(out, &word, 8);
    std::memcpy(out + 8, kPairs + 2 * (v % 100), 2);
    return 10;
  }
  if (decimals > 0 && q < 100000000) {
    // At most 8 digits, the point and the sign: straight into the field.
    std::memcpy(out, "          ", 10);
    char* t = out + 10;
    uint32_t v = static_cast<uint32_t>(q);
    int left = decimals;
    for (; left >= 2; left -= 2) {
      t -= 2;
      std::memcpy(t, kPairs + 2 * (v % 100), 2);
      v /= 100;
    }
    if (left == 1) {
      *--t = static_cast<char>('0' + v % 10);
      v /= 10;
    }
    *--t = '.';
    t = v == 0 ? t - 1 : DigitsBackward(t, v);
    if (v == 0) *t = '0';
    if (negative) t[-1] = '-';
    return 10;
  }
  char text[40];
  std::memset(text, ' ', sizeof text);
  char* const end = text + sizeof text;
  char* t = end;
  for (int i = 0; i < decimals; ++i) {
    *--t = static_cast<char>('0' + q % 10);
    q /= 10;
  }
  if (decimals > 0) *--t = '.';
  if (q == 0) {
    *--t = '0';
  } else {
    t = DigitsBackward(t, q);
  }
  *--t = negative ? '-' : ' ';
  const std::size_t len = static_cast<std::size_t>(end - t);
  if (len <= 10) {
    std::memcpy(out, end - 10, 10);
    return 10;
  }
  std::memcpy(out, t, len);
  return len;
}

// Fixed conversion of q * 10^p with the 40-digit rule; p >= -decimals.
std::size_t WriteFixedGeneral(char* out, bool negative, uint64_t q, int p, int decimals) {
  if (p == -decimals) return WriteFixedSmall(out, negative, q, decimals);
  char qd[24];
  char* qend = qd + sizeof qd;
  char* qs = DigitsBackward(qend, q);
  const int qlen = static_cast<int>(qend - qs);
  // Here the value was rounded at its 19th significant digit, so it has at
  // least 19 - decimals >= 13 integer digits and no leading zeros to add.
  const int int_digits = qlen + p;
  if (int_digits > kMaxWritten) {
    return WriteELayout(out, negative, qs, qlen, kMaxWritten - 1, int_digits - 1);
  }
  int shown = decimals;
  if (int_digits > kMaxWritten - decimals) shown = kMaxWritten - int_digits;
  // Digits: q, then zeros down to position -shown (the dropped decimals
  // were zeros beyond the 19th digit anyway).
  char text[kMaxWritten + 8];
  char* t = text;
  *t++ = negative ? '-' : ' ';
  const int total = int_digits + shown;
  for (int i = 0; i < total; ++i) {
    if (i == int_digits) *t++ = '.';
    *t++ = i < qlen ? qs[i] : '0';
  }
  return Place(out, text, t);
}

// 64-bit form of FixedFast for up to 3 decimals (m * 10^3 < 2^63), the
// interval values' case: q = round-half-even(m * 2^e * 10^decimals) for
// e < 0. Returns false when e >= 0 (left to the 128-bit form).
inline bool FixedFast64(uint64_t m, int e, int decimals, uint64_t* q) {
  if (e >= 0 || decimals > 3) return false;
  const uint64_t scaled = m * kPow10[decimals];
  const int k = -e;
  if (k >= 64) {  // scaled < 2^63 <= half: rounds to 0
    *q = 0;
    return true;
  }
  const uint64_t whole = scaled >> k;
  const uint64_t rest = scaled & ((uint64_t{1} << k) - 1);
  const uint64_t half = uint64_t{1} << (k - 1);
  // Without branches: the rounding direction is as good as random.
  const uint64_t up = static_cast<uint64_t>(rest > half) |
                      (static_cast<uint64_t>(rest == half) & whole & 1);
  *q = whole + up;
  return true;
}

// 128-bit attempt at q = round-half-even(|x| * 10^decimals). Returns false
// when the scaling does not fit or q has more than 19 digits.
inline bool FixedFast(uint64_t m, int e, int decimals, uint64_t* q) {
  const u128 scaled = static_cast<u128>(m) * kPow10[decimals];  // < 2^73
  if (e >= 0) {
    if (e > 10) return false;
    const u128 v = scaled << e;
    if (v >= kPow10[19]) return false;
    *q = static_cast<uint64_t>(v);
    return true;
  }
  const int k = -e;
  if (k >= 75) {  // scaled < 2^73 <= 2^k / 4: rounds to 0
    *q = 0;
    return true;
  }
  const u128 whole = scaled >> k;
  const u128 rest = scaled - (whole << k);
  const u128 half = static_cast<u128>(1) << (k - 1);
  const u128 r = whole + ((rest > half || (rest == half && (whole & 1) != 0)) ? 1 : 0);
  if (r >= kPow10[19]) return false;
  *q = static_cast<uint64_t>(r);
  return true;
}

}  // namespace

std::size_t WriteInt10(char* p, int32_t value) {
  char text[16];
  char* end = text + sizeof text;
  const bool negative = value < 0;
  const uint64_t mag = negative ? static_cast<uint64_t>(-static_cast<int64_t>(value))
                                : static_cast<uint64_t>(value);
  char* t = mag == 0 ? end - 1 : DigitsBackward(end, mag);
  if (mag == 0) *t = '0';
  if (negative) *--t = '-';
  return Place(p, t, end);
}

namespace {

// The significant digits of a magnitude rounded to nearest, ties to even,
// from its exact value (std::to_chars with a precision is exact, as the C
// library's "%.*e" is): `count` digits (1..19) as an integer q, and the
// decimal exponent of the first, so |x| ~ q * 10^(exponent - count + 1). A
// carry (9.99 -> 10.0) gives the exponent one more, not a digit more.
uint64_t RoundedDigits(double magnitude, int count, int* exponent) {
  char buffer[48];
  const auto end =
      std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, count - 1).ptr;
  uint64_t q = 0;
  const char* p = buffer;
  for (; p != end && *p != 'e'; ++p)
    if (*p != '.') q = q * 10 + static_cast<uint64_t>(*p - '0');
  *exponent = 0;
  std::from_chars(p + (p[1] == '+' ? 2 : 1), end, *exponent);
  return q;
}

// Everything but the everyday values: infinities, NaNs and what the 128-bit
// scaling cannot take. Those are 10^19 or more once scaled by 10^decimals
// (at least 2^63 before scaling, or scaled beyond 19 digits), so their last
// written digit is the 19th significant one, or the last decimal when the
// two fall together.
__attribute__((noinline)) std::size_t WriteFixedRare(char* p, double value, const TParts& x, int decimals) {
  if (x.kind != TParts::kFinite) return WriteSpecial(p, x);
  uint64_t q;
  if (FixedFast(x.m, x.e, decimals, &q)) return WriteFixedSmall(p, x.negative, q, decimals);
  int exponent = 0;
  q = RoundedDigits(std::fabs(value), kMaxDigits, &exponent);
  return WriteFixedGeneral(p, x.negative, q, exponent - (kMaxDigits - 1), decimals);
}

}  // namespace

std::size_t WriteFixed(char* p, double value, int decimals) {
  if (decimals < 0) decimals = 0;
  if (decimals > 6) decimals = 6;
  const TParts x = Split(value);
  uint64_t q;
  if (x.kind == TParts::kFinite && FixedFast64(x.m, x.e, decimals, &q)) {  // q < 2^63 + 1
    return WriteFixedSmall(p, x.negative, q, decimals);
  }
  return WriteFixedRare(p, value, x, decimals);
}

std::size_t WriteExp(char* p, double value, int decimals) {
  if (decimals < 0) decimals = 0;
  if (decimals > 6) decimals = 6;
  const TParts x = Split(value);
  if (x.kind != TParts::kFinite) return WriteSpecial(p, x);
  if (x.m == 0) {
    const char zero[1] = {'0'};
    return WriteELayout(p, x.negative, zero, 1, decimals, 0);
  }
  int exponent = 0;
  const uint64_t q = RoundedDigits(std::fabs(value), decimals + 1, &exponent);
  char digits[24];
  char* end = digits + sizeof digits;
  char* d = DigitsBackward(end, q);
  return WriteELayout(p, x.negative, d, static_cast<int>(end - d), decimals, exponent);
}

void AppendInt10(std::string& out, int32_t value) {
  char buffer[kMaxFileNumber];
  out.append(buffer, WriteInt10(buffer, value));
}

void AppendFixed(std::string& out, double value, int decimals) {
  char buffer[kMaxFileNumber];
  out.append(buffer, WriteFixed(buffer, value, decimals));
}

void AppendExp(std::string& out, double value, int decimals) {
  char buffer[kMaxFileNumber];
  out.append(buffer, WriteExp(buffer, value, decimals));
}
