// Controller bindings: any text is judged without a crash, and blanks around a valid binding keep
// it valid while the whole stays within the length limit.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/bindings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (myr::isValidBinding(text) && text.size() + 2 <= 512 && !myr::isValidBinding(" " + text + "\t")) {
    std::abort();
  }
  myr::isAllowedPadSetting("AxisScale", text);
  myr::isAllowedPadSetting("LargeMotor", text);
  return 0;
}
