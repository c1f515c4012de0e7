#include "foundation/files/utf8.h"

#include <cstdint>

namespace myr {

bool isUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<std::uint8_t>(bytes[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    std::uint32_t point = 0;
    std::uint32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
      length = 2;
      point = lead & 0x1F;
      smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      point = lead & 0x0F;
      smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      point = lead & 0x07;
      smallest = 0x10000;
    } else {
      return false;
    }
    if (bytes.size() - i < length) {
      return false;
    }
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<std::uint8_t>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) {
        return false;
      }
      point = (point << 6) | (next & 0x3F);
    }
    if (point < smallest || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

}  // namespace myr
