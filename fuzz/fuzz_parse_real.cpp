// Every text either gives a double or fails with the real-number message that
// quotes it whole; no infinity or NaN ever comes out, and the display of a
// parsed value is stable after one trip.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "case/NumberText.h"
#include "fuzz/fuzz_check.h"

// Above this double the 15-digit display rounds up past the largest double.
constexpr double kLargestReadable = 1.797693134862315e308;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WindowDecimalSeparator = ',';
  const std::string text(reinterpret_cast<const char*>(data), size);
  double value = 0;
  try {
    value = ParseRealText(text);
  } catch (const EConvertError& e) {
    FUZZ_CHECK(e.Message() == RealErrorMessage(text), "text '%s' gave '%s'", text.c_str(), e.Message().c_str());
    return 0;
  }
  FUZZ_CHECK(std::isfinite(value), "'%s' gave a non-finite double", text.c_str());
  if (std::fabs(value) > kLargestReadable) return 0;  // shows beyond the double range
  const std::string shown = FormatRealText(value);
  const std::string again = FormatRealText(ParseRealText(shown));
  FUZZ_CHECK(again == shown, "'%s' shows '%s' then '%s'", text.c_str(), shown.c_str(), again.c_str());
  return 0;
}
