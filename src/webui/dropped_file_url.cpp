#include "webui/dropped_file_url.h"

#include <optional>

#include "foundation/files/utf8.h"

namespace myr {
namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The byte of a "%XX" escape at `at`.
std::optional<unsigned char> escapedByte(std::string_view url, size_t at) {
  if (at + 2 >= url.size() || url[at] != '%') {
    return std::nullopt;
  }
  const int high = hexDigit(url[at + 1]);
  const int low = hexDigit(url[at + 2]);
  if (high < 0 || low < 0) {
    return std::nullopt;
  }
  return static_cast<unsigned char>(high * 16 + low);
}

// Bytes a UTF-8 sequence starting with this lead byte takes; 0 for a byte that cannot lead one.
size_t sequenceLength(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// The letter escaped at `at`, as its UTF-8 bytes, when the escapes there make one.
std::optional<std::string> escapedLetter(std::string_view url, size_t at) {
  const auto lead = escapedByte(url, at);
  const size_t length = lead ? sequenceLength(*lead) : 0;
  if (length == 0) {
    return std::nullopt;
  }
  std::string letter;
  for (size_t i = 0; i < length; ++i) {
    const auto byte = escapedByte(url, at + 3 * i);
    if (!byte) {
      return std::nullopt;
    }
    letter += static_cast<char>(*byte);
  }
  if (!isUtf8(letter)) {
    return std::nullopt;
  }
  return letter;
}

}  // namespace

std::string unescapeUtf8Letters(std::string_view url) {
  std::string result;
  result.reserve(url.size());
  for (size_t at = 0; at < url.size();) {
    if (const auto letter = escapedLetter(url, at)) {
      result += *letter;
      at += 3 * letter->size();
    } else {
      result += url[at];
      ++at;
    }
  }
  return result;
}

}  // namespace myr
