#include "foundation/bytes/base64.h"

#include <array>
#include <cstdint>

namespace myr {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint8_t kInvalid = 0xFF;

constexpr std::array<std::uint8_t, 256> decodingTable() {
  std::array<std::uint8_t, 256> table{};
  table.fill(kInvalid);
  for (std::uint8_t i = 0; i < 64; ++i) {
    table[static_cast<unsigned char>(kAlphabet[i])] = i;
  }
  return table;
}

constexpr std::array<std::uint8_t, 256> kDecoding = decodingTable();

}  // namespace

std::string encodeBase64(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16 |
                                static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8 |
                                static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[group >> 18];
    out += kAlphabet[(group >> 12) & 63];
    out += kAlphabet[(group >> 6) & 63];
    out += kAlphabet[group & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
    if (rest == 2) {
      group |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    }
    out += kAlphabet[group >> 18];
    out += kAlphabet[(group >> 12) & 63];
    out += rest == 2 ? kAlphabet[(group >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::optional<std::string> decodeBase64(std::string_view text) {
  if (text.size() % 4 != 0) {
    return std::nullopt;
  }
  std::size_t padding = 0;
  while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=') {
    ++padding;
  }
  std::string out;
  out.reserve(text.size() / 4 * 3);
  const std::size_t digits = text.size() - padding;
  std::uint32_t group = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    const std::uint8_t value = kDecoding[static_cast<unsigned char>(text[i])];
    if (value == kInvalid) {
      return std::nullopt;
    }
    group = group << 6 | value;
    if (i % 4 == 3) {
      out += static_cast<char>(group >> 16);
      out += static_cast<char>((group >> 8) & 0xFF);
      out += static_cast<char>(group & 0xFF);
      group = 0;
    }
  }
  // The bits a padded tail leaves over must be zero, so each text has one meaning.
  if (padding == 1) {
    if ((group & 0x3) != 0) {
      return std::nullopt;
    }
    out += static_cast<char>(group >> 10);
    out += static_cast<char>((group >> 2) & 0xFF);
  } else if (padding == 2) {
    if ((group & 0xF) != 0) {
      return std::nullopt;
    }
    out += static_cast<char>(group >> 4);
  }
  return out;
}

}  // namespace myr
