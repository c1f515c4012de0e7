// Controller bindings: any text is judged without a crash; a valid binding stays valid with blanks
// around it and when repeated as a second alternative, and never ends in a separator.

#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "settings/bindings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (myr::isValidBinding(text)) {
    fuzzCheck(text.size() + 2 > myr::kLongestBinding || myr::isValidBinding(" " + text + "\t"));
    fuzzCheck(text.size() + 1 > myr::kLongestBinding ||
              (!myr::isValidBinding(text + ";") && !myr::isValidBinding(text + "&")));
    fuzzCheck(2 * text.size() + 1 > myr::kLongestBinding || text.find_first_not_of(" \t\r") == std::string::npos ||
              myr::isValidBinding(text + ";" + text));
  }
  myr::isAllowedPadSetting("AxisScale", text);
  myr::isAllowedPadSetting("LargeMotor", text);
  return 0;
}
