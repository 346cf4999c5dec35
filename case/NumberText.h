#pragma once
// Number texts as the windows show them: the decimal comma (or whatever
// separator the caller gives), no thousands separator. Nothing here keeps
// state: the window side decides the separator (toolkit/WindowText.h).
//
//   TryParseIntegerText("$FFFFFFFF")      -> -1      TryParseIntegerText("42 ") -> InvalidInteger
//   TryParseRealText("0,15e1", ',')       -> 1.5     TryParseRealText("1.5", ',') -> InvalidReal
//   FormatRealText(0.00001, ',')          == "1E-5"  FormatRealText(1.0/3, ',') == "0,333333333333333"
//
// A refused text gives TErrc::InvalidInteger or TErrc::InvalidReal with the
// message that quotes the whole text, unchanged:
//   "'42 ' is not a valid integer value"   "'1.5' is not a valid floating point value"

#include <cstdint>
#include <string>
#include <string_view>

#include "case/Status.h"

// "'%s' is not a valid integer value" / "'%s' is not a valid floating point value"
std::string IntegerErrorMessage(std::string_view text);
std::string RealErrorMessage(std::string_view text);

TResult<int32_t> TryParseIntegerText(std::string_view text);

// The value as computed: 64-bit significand, rounded at every step, range far
// beyond a double's.
TResult<long double> TryParseExtendedText(std::string_view text, char separator);

// TryParseExtendedText rounded to a double. A value that does not fit a
// double (it would round to infinity, e.g. "1E400") is refused with the real
// message, so no infinity is ever stored.
TResult<double> TryParseRealText(std::string_view text, char separator);

std::string FormatIntegerText(int32_t value);
std::string FormatRealText(double value, char separator);
// The text of a field that shows a stored value: FormatRealText, and empty
// for 0.0 of either sign (the field as it starts, a value not entered).
std::string FieldRealText(double value, char separator);

// FormatRealText's layout of given significant digits (no trailing zeros),
// value = 0.d1d2... * 10^exponent:
//   LayoutRealText(false, "15", 1, ',') == "1,5"   LayoutRealText(true, "1", -4, ',') == "-1E-5"
std::string LayoutRealText(bool negative, std::string_view digits, int exponent, char separator);
