// For every finite double the display text is made of digits, the separator,
// "-" and "E" only, parses back, and is stable after one trip.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "case/NumberText.h"
#include "fuzz/fuzz_check.h"

// Above this double the 15-digit display rounds up past the largest double.
constexpr double kLargestReadable = 1.797693134862315e308;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < sizeof(double)) return 0;
  double x = 0;
  std::memcpy(&x, data, sizeof x);
  if (!std::isfinite(x)) return 0;
  // A separator that is neither "," nor ".", so nothing passes by accident.
  const char separator = size > sizeof(double) && (data[sizeof(double)] & 1) ? '?' : ',';
  const std::string shown = FormatRealText(x, separator);
  for (char ch : shown) {
    FUZZ_CHECK((ch >= '0' && ch <= '9') || ch == separator || ch == '-' || ch == 'E',
               "%.17g shows '%s'", x, shown.c_str());
  }
  // The largest doubles show as 1,79769313486232E308, which lies beyond the
  // double range: that display cannot be read back, and only that one.
  if (std::fabs(x) > kLargestReadable) {
    FUZZ_CHECK(shown == "1" + std::string(1, separator) + "79769313486232E308" ||
                   shown == "-1" + std::string(1, separator) + "79769313486232E308",
               "%.17g shows '%s'", x, shown.c_str());
    return 0;
  }
  const TResult<double> back = TryParseRealText(shown, separator);
  FUZZ_CHECK(back.Ok(), "%.17g shows '%s', which does not read back", x, shown.c_str());
  const std::string again = FormatRealText(*back, separator);
  FUZZ_CHECK(again == shown, "%.17g shows '%s' then '%s'", x, shown.c_str(), again.c_str());
  return 0;
}
