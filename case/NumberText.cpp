#include "case/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>

// Window-side number texts. The real parser works in the x87 80-bit
// `long double` of x86-64 (64-bit significand, 15-bit exponent); every
// operation below is one rounding to nearest in that format, in exactly the
// order written. Nothing here may be built with -ffast-math or anything that
// reassociates or contracts floating-point operations.
static_assert(std::numeric_limits<long double>::digits == 64,
              "the real parser needs the 64-bit-significand long double");
static_assert(std::numeric_limits<long double>::max_exponent == 16384,
              "the real parser needs the 15-bit-exponent long double");

std::string IntegerErrorMessage(std::string_view text) {
  std::string message = "'";
  message += text;
  message += "' is not a valid integer value";
  return message;
}

std::string RealErrorMessage(std::string_view text) {
  std::string message = "'";
  message += text;
  message += "' is not a valid floating point value";
  return message;
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

TError IntegerError(std::string_view text) { return MakeError(TErrc::InvalidInteger, IntegerErrorMessage(text)); }

TError RealError(std::string_view text) { return MakeError(TErrc::InvalidReal, RealErrorMessage(text)); }

// Powers of ten in the 64-bit-significand format, each the correctly rounded
// value of the exact power (10^0 .. 10^27 are exact). They were generated
// once with MPFR: a precision-64 mpfr_ui_pow_ui(x, 10, n, MPFR_RNDN) per
// power, read back with mpfr_get_ld and printed with printf("%La"). The
// MPFR-based parse oracle in the tests rebuilds the same tables on its own,
// so a wrong digit here shows up as a mismatch there.

// 10^n, n = 0..31.
constexpr long double kPow10Units[32] = {
    0x8p-3L,                  // 1E0
    0xap+0L,                  // 1E1
    0xc.8p+3L,                // 1E2
    0xf.ap+6L,                // 1E3
    0x9.c4p+10L,              // 1E4
    0xc.35p+13L,              // 1E5
    0xf.424p+16L,             // 1E6
    0x9.8968p+20L,            // 1E7
    0xb.ebc2p+23L,            // 1E8
    0xe.e6b28p+26L,           // 1E9
    0x9.502f9p+30L,           // 1E10
    0xb.a43b74p+33L,          // 1E11
    0xe.8d4a51p+36L,          // 1E12
    0x9.184e72ap+40L,         // 1E13
    0xb.5e620f48p+43L,        // 1E14
    0xe.35fa931ap+46L,        // 1E15
    0x8.e1bc9bf04p+50L,       // 1E16
    0xb.1a2bc2ec5p+53L,       // 1E17
    0xd.e0b6b3a764p+56L,      // 1E18
    0x8.ac7230489e8p+60L,     // 1E19
    0xa.d78ebc5ac62p+63L,     // 1E20
    0xd.8d726b7177a8p+66L,    // 1E21
    0x8.78678326eac9p+70L,    // 1E22
    0xa.968163f0a57b4p+73L,   // 1E23
    0xd.3c21bcecceda1p+76L,   // 1E24
    0x8.4595161401484ap+80L,  // 1E25
    0xa.56fa5b99019a5c8p+83L,   // 1E26
    0xc.ecb8f27f4200f3ap+86L,   // 1E27 (the last exact one)
    0x8.13f3978f8940984p+90L,   // 1E28
    0xa.18f07d736b90be5p+93L,   // 1E29
    0xc.9f2c9cd04674edfp+96L,   // 1E30
    0xf.c6f7c4045812296p+99L,   // 1E31
};

// 10^(32 n), n = 0..15.
constexpr long double kPow10Thirtytwos[16] = {
    0x8p-3L,                     // 1E0
    0x9.dc5ada82b70b59ep+103L,   // 1E32
    0xc.2781f49ffcfa6d5p+209L,   // 1E64
    0xe.fb3ab16c59b14a3p+315L,   // 1E96
    0x9.3ba47c980e98cep+422L,    // 1E128
    0xb.616a12b7fe617aap+528L,   // 1E160
    0xe.070f78d3927556bp+634L,   // 1E192
    0x8.a5296ffe33cc93p+741L,    // 1E224
    0xa.a7eebfb9df9de8ep+847L,   // 1E256
    0xd.226fc195c6a2f8cp+953L,   // 1E288
    0x8.1842f29f2cce376p+1060L,  // 1E320
    0x9.fa42700db900ad2p+1166L,  // 1E352
    0xc.4c5e310aef8aa17p+1272L,  // 1E384
    0xf.28a9c07e9b09c59p+1378L,  // 1E416
    0x9.57a4ae1ebf7f3d4p+1485L,  // 1E448
    0xb.83ed8dc0795a262p+1591L,  // 1E480
};

// 10^(512 n), n = 0..9. 10^5120 and above round to infinity in this format.
constexpr long double kPow10FiveTwelves[10] = {
    0x8p-3L,                      // 1E0
    0xe.319a0aea60e91c7p+1697L,   // 1E512
    0xc.976758681750c17p+3398L,   // 1E1024
    0xb.2b8353b3993a7e4p+5099L,   // 1E1536
    0x9.e8b3b5dc53d5de5p+6800L,   // 1E2048
    0x8.ca554c020a1f0a6p+8501L,   // 1E2560
    0xf.9895d25d88b5a8bp+10201L,  // 1E3072
    0xd.d5dc8a2bf27f3f8p+11902L,  // 1E3584
    0xc.46052028a20979bp+13603L,  // 1E4096
    0xa.e3511626ed559fp+15304L,   // 1E4608
};

// Exponent digits are taken while the exponent read so far is below this.
constexpr int kExponentStop = 500;

// The smallest magnitude that rounds to infinity as a double: halfway between
// the largest double and 2^1024, where the tie goes to the even 2^1024.
constexpr long double kDoubleOverflow = 0x1.fffffffffffff8p+1023L;

}  // namespace

// TryParseIntegerText("  -17") == -17, TryParseIntegerText("0X7fffffff") == 2147483647,
// TryParseIntegerText("$80000000") == -2147483648; "4 2" and "-$1" are refused.
TResult<int32_t> TryParseIntegerText(std::string_view text) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n && text[i] == ' ') ++i;

  bool signed_decimal = false;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    signed_decimal = true;
    ++i;
  }

  if (!signed_decimal && i < n) {
    bool hexadecimal = false;
    std::size_t j = i;
    if (text[i] == '$' || text[i] == 'x' || text[i] == 'X') {
      hexadecimal = true;
      j = i + 1;
    } else if (text[i] == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
      hexadecimal = true;
      j = i + 2;
    }
    if (hexadecimal) {
      // One or more hex digits must follow and end the text; at most eight
      // of them after the leading zeros.
      if (j >= n) return IntegerError(text);
      uint32_t bits = 0;
      int significant = 0;
      for (; j < n; ++j) {
        const int d = HexDigitValue(text[j]);
        if (d < 0) return IntegerError(text);
        if (significant > 0 || d != 0) ++significant;
        if (significant > 8) return IntegerError(text);
        bits = (bits << 4) | static_cast<uint32_t>(d);
      }
      return static_cast<int32_t>(bits);  // two's complement: $FFFFFFFF is -1
    }
  }

  // Decimal digits to the end of the text. The magnitude is capped just above
  // the int32 range, so a long run of digits neither wraps nor overflows.
  if (i >= n) return IntegerError(text);
  constexpr int64_t kCap = int64_t{1} << 32;
  int64_t magnitude = 0;
  for (; i < n; ++i) {
    if (!IsDigit(text[i])) return IntegerError(text);
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kCap) magnitude = kCap;
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    return IntegerError(text);
  }
  return static_cast<int32_t>(value);
}

// TryParseExtendedText("2,5", ',') == 2.5L, TryParseExtendedText("-,", ',') is
// negative zero, TryParseExtendedText("1E4932", ',') is finite but "1,2E4932"
// is refused (about 1.19E4932 is the largest magnitude), and so is "1E5000"
// (the exponent stops being read at 500, so its last "0" is left over).
TResult<long double> TryParseExtendedText(std::string_view text, char separator) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n && text[i] == ' ') ++i;

  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }

  // Every digit, integer part and fraction alike, goes into one accumulator,
  // rounded after the multiplication and after the addition.
  long double value = 0.0L;
  bool mantissa_seen = false;
  while (i < n && IsDigit(text[i])) {
    value = value * 10.0L;
    value = value + static_cast<long double>(text[i] - '0');
    mantissa_seen = true;
    ++i;
  }
  int64_t fraction_digits = 0;
  if (i < n && text[i] == separator) {
    mantissa_seen = true;
    ++i;
    while (i < n && IsDigit(text[i])) {
      value = value * 10.0L;
      value = value + static_cast<long double>(text[i] - '0');
      ++fraction_digits;
      ++i;
    }
  }
  if (!mantissa_seen) return RealError(text);

  int64_t exponent = 0;
  if (i < n && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    bool exponent_negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
      exponent_negative = text[i] == '-';
      ++i;
    }
    // A digit left unread here (exponent already 500 or more) fails below.
    while (i < n && IsDigit(text[i]) && exponent < kExponentStop) {
      exponent = exponent * 10 + (text[i] - '0');
      ++i;
    }
    if (exponent_negative) exponent = -exponent;
  }

  while (i < n && text[i] == ' ') ++i;
  if (i != n) return RealError(text);

  const int64_t p = exponent - fraction_digits;
  const uint64_t a = p < 0 ? static_cast<uint64_t>(-p) : static_cast<uint64_t>(p);
  const long double units = kPow10Units[a % 32];
  const long double thirtytwos = kPow10Thirtytwos[(a / 32) % 16];
  const uint64_t big_index = a / 512;
  // A positive p is at most 4999, so only a division can need 10^5120 or more.
  const long double five_twelves = big_index < 10 ? kPow10FiveTwelves[big_index]
                                                  : std::numeric_limits<long double>::infinity();
  if (p > 0) {
    value = value * units;
    value = value * thirtytwos;
    value = value * five_twelves;
  } else if (p < 0) {
    value = value / units;
    value = value / thirtytwos;
    value = value / five_twelves;
  }
  if (negative) value = -value;

  // Infinite: the digits or the power went beyond the range. NaN: the digits
  // alone were already infinite and were then divided by an infinite power.
  if (!std::isfinite(value)) return RealError(text);
  return value;
}

// TryParseRealText("0,15e1", ',') == 1.5, TryParseRealText(" -2,5E-3 ", ',') == -0.0025;
// "1E400" is refused, although TryParseExtendedText accepts it.
TResult<double> TryParseRealText(std::string_view text, char separator) {
  TResult<long double> extended = TryParseExtendedText(text, separator);
  if (!extended) return std::move(extended).Error();
  if (std::fabs(*extended) >= kDoubleOverflow) return RealError(text);
  return static_cast<double>(*extended);  // rounded to nearest
}

// FormatIntegerText(-2147483648) == "-2147483648", FormatIntegerText(0) == "0".
std::string FormatIntegerText(int32_t value) { return std::to_string(value); }

// The display layout: value = 0.d1d2... * 10^exponent, digits without
// trailing zeros. Fixed notation for exponents -3..15, else "d,dddE-x".
std::string LayoutRealText(bool negative, std::string_view digits, int exponent, char separator) {
  std::string text;
  if (negative) text += '-';
  const int count = static_cast<int>(digits.size());
  if (exponent >= -3 && exponent <= 15) {
    if (exponent <= 0) {
      text += '0';
      text += separator;
      text.append(static_cast<std::size_t>(-exponent), '0');
      text += digits;
    } else if (count <= exponent) {
      text += digits;
      text.append(static_cast<std::size_t>(exponent - count), '0');
    } else {
      text.append(digits, 0, static_cast<std::size_t>(exponent));
      text += separator;
      text.append(digits, static_cast<std::size_t>(exponent));
    }
  } else {
    text += digits[0];
    if (count > 1) {
      text += separator;
      text.append(digits, 1);
    }
    text += 'E';
    text += std::to_string(exponent - 1);
  }
  return text;
}

namespace {

// Scientific digits from std::to_chars ("d.ddde+XX", "de-XX"): the digits
// without the point into *digits, the decimal exponent as the return value
// (value = d.ddd * 10^result).
int SplitScientific(const char* begin, const char* end, std::string* digits) {
  const char* e = begin;
  while (e != end && *e != 'e') ++e;
  for (const char* p = begin; p != e; ++p)
    if (*p != '.') *digits += *p;
  int exponent = 0;
  const char* p = e + 1;
  const bool negative = p != end && *p == '-';
  if (p != end && (*p == '-' || *p == '+')) ++p;
  for (; p != end; ++p) exponent = exponent * 10 + (*p - '0');
  return negative ? -exponent : exponent;
}

}  // namespace

// FormatRealText(0.0001, ',') == "0,0001", FormatRealText(123456789012345678.0, ',')
// == "1,23456789012346E17", FormatRealText(-0.00001, ',') == "-1E-5".
std::string FieldRealText(double value, char separator) {
  return value == 0.0 ? std::string() : FormatRealText(value, separator);
}

std::string FormatRealText(double value, char separator) {
  if (value == 0.0) return "0";
  // Not reachable from the case record, which never holds them.
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";

  const double magnitude = std::fabs(value);
  char buffer[40];
  std::string digits;
  digits.reserve(18);

  // The shortest digits that read back as this double. When they are 15 or
  // fewer, they are the result: the double lies within half a unit in its
  // last place of them, at most 2^-53 of its own magnitude, which is less
  // than 1.2 units of their 16th digit. So its 18-digit text is d...d
  // followed by 000... or 001... (cut back to d...d), or (d...d - 1)
  // followed by 99... or 98... (raised back to d...d). Subnormals are spaced
  // more widely and take the long way.
  if (magnitude >= std::numeric_limits<double>::min()) {
    const auto shortest = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
    const int exponent = SplitScientific(buffer, shortest.ptr, &digits);
    if (digits.size() <= 15) {
      while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
      return LayoutRealText(value < 0, digits, exponent + 1, separator);
    }
    digits.clear();
  }

  // The magnitude to 18 significant digits, rounded to nearest from its
  // exact value: "d.ddddddddddddddddde+XX".
  const auto long_text = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, 17);
  int exponent = SplitScientific(buffer, long_text.ptr, &digits) + 1;  // value = 0.d1d2... * 10^exponent

  // Cut to 15 digits, raising the 15th when the 16th is 5 or more. This
  // rounds a second time on purpose: the 18-digit text decides, not the value.
  const bool round_up = digits[15] >= '5';
  digits.resize(15);
  if (round_up) {
    int k = 14;
    while (k >= 0 && digits[k] == '9') digits[k--] = '0';
    if (k >= 0) {
      ++digits[k];
    } else {
      digits.insert(digits.begin(), '1');  // 999...9 became 1000...0
      digits.resize(15);
      ++exponent;
    }
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  return LayoutRealText(value < 0, digits, exponent, separator);
}
