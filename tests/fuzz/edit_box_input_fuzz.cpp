// libFuzzer target for the EditBox's date-time parser and the focus-loss
// normalisation of every input mode. A parsed date-time must survive the
// round trip through the runtime's date-time format.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "runtime/value_format.h"
#include "units/edit_box_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  double value = 0;
  if (ParseDateTimeText(text, &value)) {
    if (!(value >= kMinDateTime && value <= kMaxDateTime)) std::abort();
    double again = 0;
    if (!ParseDateTimeText(FormatDateTime(value), &again) || again != value) std::abort();
  }
  for (int32_t mode = 0; mode < kInputModeCount; ++mode) {
    const std::string once = NormaliseInputText(mode, text);
    // Normalising is idempotent, but for an overflow: its infinity is no number.
    if (NormaliseInputText(mode, once) != once && once != "inf" && once != "-inf") std::abort();
  }
  return 0;
}
