#pragma once

#include <cstddef>
#include <string_view>

namespace myr {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF. Empty text is valid.
bool isUtf8(std::string_view bytes);

// Bytes a sequence with this lead byte takes (2 to 4); 0 for a byte that cannot lead a
// multi-byte sequence of strict UTF-8.
constexpr std::size_t utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

}  // namespace myr
