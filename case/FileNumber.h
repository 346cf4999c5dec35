#pragma once
// The case file's number conversions, as the solver expects them: the C
// "printf" conversions "%10d", "% 10.<d>f" and "% 10.<d>e" in the "C" locale,
// with the writer's own limits where the C library prints something else:
//   - at most 19 significant digits are computed (the exact value rounded to
//     nearest, ties to even); every later digit position is written as '0';
//   - at most 40 digits in all: "f" with d decimals keeps only the decimals
//     that fit in 40 digits (no point when none fit), and a magnitude of 1E40
//     or more is written in the "e" layout with 39 digits after the point
//     (a "%e" conversion keeps its own decimals: 1e100 -> " 1.00e+100").
//     Both choices look at the value as written, i.e. after the 19-digit
//     rounding; no double lies close enough below 1E40 to round up to it.
// Infinities and NaNs are written as the C library does (" inf", "-nan").
//
//   AppendFixed(out, 0.125, 2)   -> "      0.12"
//   AppendFixed(out, -0.0, 2)    -> "     -0.00"
//   AppendExp(out, 1e8, 1)       -> "   1.0e+08"
//   AppendInt10(out, 30)         -> "        30"

#include <cstddef>
#include <cstdint>
#include <string>

// Appends "%10d".
void AppendInt10(std::string& out, int32_t value);
// Appends "% 10.<decimals>f", decimals in 0..6.
void AppendFixed(std::string& out, double value, int decimals);
// Appends "% 10.<decimals>e", decimals in 0..6.
void AppendExp(std::string& out, double value, int decimals);

// Raw-buffer forms for the hot path: write at p (at least kMaxFileNumber
// bytes free) and return the number of bytes written.
inline constexpr std::size_t kMaxFileNumber = 64;
// The widest texts each conversion gives: "%10d" 11 ("-2147483648"), and
// "% 10.<d>f" 47 (the "e" layout of -DBL_MAX, 39 digits after the point);
// "% 10.<d>e" writes at most the larger of 10 and 8 + d.
inline constexpr std::size_t kMaxInt10Width = 11;
inline constexpr std::size_t kMaxFixedWidth = 47;
inline constexpr std::size_t MaxExpWidth(int decimals) {
  return 8 + static_cast<std::size_t>(decimals) > 10 ? 8 + static_cast<std::size_t>(decimals) : 10;
}
std::size_t WriteInt10(char* p, int32_t value);
std::size_t WriteFixed(char* p, double value, int decimals);
std::size_t WriteExp(char* p, double value, int decimals);
