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
  const std::string text(reinterpret_cast<const char*>(data), size);
  const TResult<double> value = TryParseRealText(text, ',');
  if (!value) {
    FUZZ_CHECK(value.Code() == TErrc::InvalidReal && value.Error().message == RealErrorMessage(text),
               "text '%s' gave '%s'", text.c_str(), value.Error().message.c_str());
    return 0;
  }
  FUZZ_CHECK(std::isfinite(*value), "'%s' gave a non-finite double", text.c_str());
  if (std::fabs(*value) > kLargestReadable) return 0;  // shows beyond the double range
  const std::string shown = FormatRealText(*value, ',');
  const TResult<double> back = TryParseRealText(shown, ',');
  FUZZ_CHECK(back.Ok(), "'%s' shows '%s', which does not read back", text.c_str(), shown.c_str());
  const std::string again = FormatRealText(*back, ',');
  FUZZ_CHECK(again == shown, "'%s' shows '%s' then '%s'", text.c_str(), shown.c_str(), again.c_str());
  return 0;
}
