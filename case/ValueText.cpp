#include "case/ValueText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "case/IntervalTable.h"
#include "case/NumberText.h"

std::string ExactRealText(double value, char separator) {
  if (!std::isfinite(value)) return FormatRealText(value, separator);
  // Whole numbers below 10^15 (most loads and durations) are their digits:
  // what the display shows for them, and exact.
  if (value != 0.0 && value == std::trunc(value) && std::fabs(value) < 1e15) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<std::int64_t>(value)).ptr;
    return std::string(digits, end);
  }
  std::string text = TableValueText(value);  // with the decimal comma
  if (separator != ',') std::replace(text.begin(), text.end(), ',', separator);
  return text;
}
