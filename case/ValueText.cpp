#include "case/ValueText.h"

#include <algorithm>
#include <cmath>

#include "case/IntervalTable.h"
#include "case/NumberText.h"

std::string ExactRealText(double value, char separator) {
  if (!std::isfinite(value)) return FormatRealText(value, separator);
  std::string text = TableValueText(value);  // with the decimal comma
  if (separator != ',') std::replace(text.begin(), text.end(), ',', separator);
  return text;
}
