#include "foundation/files/file_names.h"

#include <string>

#include "foundation/files/ascii_text.h"

namespace myr {
namespace {

constexpr std::size_t kLongestName = 128;

bool isForbiddenByte(unsigned char byte) {
  return byte < 0x20 || std::string_view("\"*/:<>?\\|").find(static_cast<char>(byte)) != std::string_view::npos;
}

// Besides 0 to 9, Windows takes the superscript digits one to three as port numbers.
bool isPortNumber(std::string_view text) {
  return (text.size() == 1 && text[0] >= '0' && text[0] <= '9') || text == "\xC2\xB9" || text == "\xC2\xB2" ||
         text == "\xC2\xB3";
}

// Windows drops blanks at the end of the part before the extension, so "nul .txt" is NUL too.
bool isDeviceName(std::string_view name) {
  const std::string stem = upperAscii(name.substr(0, name.find('.')));
  const std::string_view device = std::string_view(stem).substr(0, stem.find_last_not_of(' ') + 1);
  if (device == "CON" || device == "PRN" || device == "AUX" || device == "NUL") {
    return true;
  }
  return (device.starts_with("COM") || device.starts_with("LPT")) && isPortNumber(device.substr(3));
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

bool hasOnlyNameBytes(std::string_view name, std::string_view punctuation) {
  for (const char c : name) {
    if (!isAsciiLetterOrDigit(c) && punctuation.find(c) == std::string_view::npos) {
      return false;
    }
  }
  return true;
}

bool isStateFileName(std::string_view name) {
  // A device name such as nul.state would let a restore write into a device instead of a file.
  return name.size() >= 7 && name.size() <= 64 && name.front() != '.' && name.ends_with(".state") &&
         hasOnlyNameBytes(name, " -._") && isSafeFileName(name);
}

}  // namespace myr
