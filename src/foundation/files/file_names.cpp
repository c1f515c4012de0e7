#include "foundation/files/file_names.h"

#include <string>

#include "foundation/files/ascii_text.h"

namespace myr {
namespace {

constexpr std::size_t kLongestName = 128;

bool isForbiddenByte(unsigned char byte) {
  return byte < 0x20 || std::string_view("\"*/:<>?\\|").find(static_cast<char>(byte)) != std::string_view::npos;
}

bool isDeviceName(std::string_view name) {
  const std::string stem = upperAscii(name.substr(0, name.find('.')));
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") {
    return true;
  }
  return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '0' &&
         stem[3] <= '9';
}

}  // namespace

bool isSafeFileName(std::string_view name) {
  if (name.empty() || name.size() > kLongestName || name == "." || name == "..") {
    return false;
  }
  for (const char c : name) {
    if (isForbiddenByte(static_cast<unsigned char>(c))) {
      return false;
    }
  }
  if (name.back() == ' ' || name.back() == '.') {
    return false;
  }
  return !isDeviceName(name);
}

}  // namespace myr
