// Controller bindings: any text is judged without a crash; a valid binding stays valid with blanks
// around it and when repeated as a second alternative, and never ends in a separator.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/bindings.h"

namespace {

constexpr std::size_t kLongestBinding = 512;

void check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (myr::isValidBinding(text)) {
    check(text.size() + 2 > kLongestBinding || myr::isValidBinding(" " + text + "\t"));
    check(text.size() + 1 > kLongestBinding || (!myr::isValidBinding(text + ";") && !myr::isValidBinding(text + "&")));
    check(2 * text.size() + 1 > kLongestBinding || text.find_first_not_of(" \t\r") == std::string::npos ||
          myr::isValidBinding(text + ";" + text));
  }
  myr::isAllowedPadSetting("AxisScale", text);
  myr::isAllowedPadSetting("LargeMotor", text);
  return 0;
}
