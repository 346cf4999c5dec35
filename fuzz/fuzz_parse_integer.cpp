// Every text either gives an integer or fails with the integer message that
// quotes it whole; an integer's own text gives it back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "case/NumberText.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  int32_t value = 0;
  try {
    value = ParseIntegerText(text);
  } catch (const EConvertError& e) {
    FUZZ_CHECK(e.Message() == IntegerErrorMessage(text), "text '%s' gave '%s'", text.c_str(), e.Message().c_str());
    return 0;
  }
  const std::string shown = FormatIntegerText(value);
  FUZZ_CHECK(ParseIntegerText(shown) == value, "'%s' -> %d -> '%s'", text.c_str(), value, shown.c_str());
  return 0;
}
