// For every finite double the display text is made of digits, the separator,
// "-" and "E" only, parses back, and is stable after one trip.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "case/NumberText.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < sizeof(double)) return 0;
  double x = 0;
  std::memcpy(&x, data, sizeof x);
  if (!std::isfinite(x)) return 0;
  WindowDecimalSeparator = size > sizeof(double) && (data[sizeof(double)] & 1) ? '?' : ',';
  const std::string shown = FormatRealText(x);
  for (char ch : shown) {
    FUZZ_CHECK((ch >= '0' && ch <= '9') || ch == WindowDecimalSeparator || ch == '-' || ch == 'E',
               "%.17g shows '%s'", x, shown.c_str());
  }
  const std::string again = FormatRealText(ParseRealText(shown));
  FUZZ_CHECK(again == shown, "%.17g shows '%s' then '%s'", x, shown.c_str(), again.c_str());
  WindowDecimalSeparator = ',';
  return 0;
}
