#include "toolkit/WindowText.h"

char WindowDecimalSeparator = ',';

namespace {

template <class T>
T ValueOrThrow(TResult<T>&& result) {
  if (!result) throw EConvertError(std::move(result).Error().message);
  return std::move(result).Value();
}

}  // namespace

int32_t ParseIntegerText(std::string_view text) { return ValueOrThrow(TryParseIntegerText(text)); }

long double ParseExtendedText(std::string_view text) {
  return ValueOrThrow(TryParseExtendedText(text, WindowDecimalSeparator));
}

double ParseRealText(std::string_view text) { return ValueOrThrow(TryParseRealText(text, WindowDecimalSeparator)); }

std::string FormatRealText(double value) { return FormatRealText(value, WindowDecimalSeparator); }

std::string LayoutRealText(bool negative, std::string_view digits, int exponent) {
  return LayoutRealText(negative, digits, exponent, WindowDecimalSeparator);
}
