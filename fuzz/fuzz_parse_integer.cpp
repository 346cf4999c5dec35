// Every text either gives an integer or fails with the integer message that
// quotes it whole; an integer's own text gives it back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "case/NumberText.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const TResult<int32_t> value = TryParseIntegerText(text);
  if (!value) {
    FUZZ_CHECK(value.Code() == TErrc::InvalidInteger && value.Error().message == IntegerErrorMessage(text),
               "text '%s' gave '%s'", text.c_str(), value.Error().message.c_str());
    return 0;
  }
  const std::string shown = FormatIntegerText(*value);
  const TResult<int32_t> again = TryParseIntegerText(shown);
  FUZZ_CHECK(again.Ok() && *again == *value, "'%s' -> %d -> '%s'", text.c_str(), *value, shown.c_str());
  return 0;
}
