#include "foundation/files/ascii_text.h"

namespace myr {

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isAsciiBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && isAsciiBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

std::string lowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return lower;
}

std::string upperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return upper;
}

}  // namespace myr
