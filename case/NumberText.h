#pragma once
// Window-side number texts: the decimal comma, no thousands separator.
// Every conversion reads WindowDecimalSeparator at the moment it runs.
//
//   ParseIntegerText("$FFFFFFFF") == -1      ParseIntegerText("42 ") throws
//   ParseRealText("0,15e1")       == 1.5     ParseRealText("1.5")    throws
//   FormatRealText(0.00001)       == "1E-5"  FormatRealText(1.0/3) == "0,333333333333333"

#include <cstdint>
#include <string>
#include <string_view>

#include "case/Exception.h"

// The decimal separator of every window-side conversion; ',' once the main
// window exists.
extern char WindowDecimalSeparator;

// "'%s' is not a valid integer value" / "'%s' is not a valid floating point value"
std::string IntegerErrorMessage(std::string_view text);
std::string RealErrorMessage(std::string_view text);

// Throws EConvertError with the integer message.
int32_t ParseIntegerText(std::string_view text);

// The value as computed: 64-bit significand, rounded at every step, range far
// beyond a double's. Throws EConvertError with the real message.
long double ParseExtendedText(std::string_view text);

// ParseExtendedText rounded to a double. A value that does not fit a double
// (it would round to infinity, e.g. "1E400") is refused with the real message,
// so no infinity is ever stored.
double ParseRealText(std::string_view text);

std::string FormatIntegerText(int32_t value);
std::string FormatRealText(double value);

// FormatRealText's layout of given significant digits (no trailing zeros),
// value = 0.d1d2... * 10^exponent:
//   LayoutRealText(false, "15", 1) == "1,5"   LayoutRealText(true, "1", -4) == "-1E-5"
std::string LayoutRealText(bool negative, std::string_view digits, int exponent);
