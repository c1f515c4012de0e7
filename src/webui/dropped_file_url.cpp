#include "webui/dropped_file_url.h"

#include <optional>

#include "foundation/files/utf8.h"
#include "foundation/files/ascii_text.h"

namespace myr::webui {
namespace {

// The byte of a "%XX" escape at `at`.
std::optional<unsigned char> escapedByte(std::string_view url, size_t at) {
  if (at + 2 >= url.size() || url[at] != '%') {
    return std::nullopt;
  }
  const int high = hexDigitValue(url[at + 1]);
  const int low = hexDigitValue(url[at + 2]);
  if (high < 0 || low < 0) {
    return std::nullopt;
  }
  return static_cast<unsigned char>(high * 16 + low);
}

// The letter escaped at `at`, as its UTF-8 bytes, when the escapes there make one.
std::optional<std::string> escapedLetter(std::string_view url, size_t at) {
  const auto lead = escapedByte(url, at);
  const size_t length = lead ? utf8SequenceLength(*lead) : 0;
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

}  // namespace myr::webui
