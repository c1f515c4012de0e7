// Controller bindings: any text is judged without a crash; a valid binding stays valid with blanks
// around it and when repeated as a second alternative, and never ends in a separator.

#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "settings/bindings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (myr::settings::isValidBinding(text)) {
    fuzzCheck(text.size() + 2 > myr::settings::kLongestBinding || myr::settings::isValidBinding(" " + text + "\t"));
    fuzzCheck(text.size() + 1 > myr::settings::kLongestBinding ||
              (!myr::settings::isValidBinding(text + ";") && !myr::settings::isValidBinding(text + "&")));
    fuzzCheck(2 * text.size() + 1 > myr::settings::kLongestBinding ||
              text.find_first_not_of(" \t\r") == std::string::npos || myr::settings::isValidBinding(text + ";" + text));
  }
  myr::settings::isAllowedPadSetting("AxisScale", text);
  myr::settings::isAllowedPadSetting("LargeMotor", text);
  return 0;
}
