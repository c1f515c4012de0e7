#include "webui/browser/png_encoder.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "foundation/bytes/checked_size.h"

namespace myr::browser {
namespace {

std::uint32_t crc32(std::string_view bytes) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> entries{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) {
        c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      }
      entries[n] = c;
    }
    return entries;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char byte : bytes) {
    crc = table[(crc ^ static_cast<std::uint8_t>(byte)) & 0xFF] ^ (crc >> 8);
  }
  return crc ^ 0xFFFFFFFFu;
}

std::uint32_t adler32(std::string_view bytes) {
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (const char byte : bytes) {
    a = (a + static_cast<std::uint8_t>(byte)) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

void appendBigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out += static_cast<char>((value >> shift) & 0xFF);
  }
}

void appendChunk(std::string& out, std::string_view type, std::string_view data) {
  appendBigEndian(out, static_cast<std::uint32_t>(data.size()));
  std::string typed(type);
  typed += data;
  out += typed;
  appendBigEndian(out, crc32(typed));
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::string storedZlib(std::string_view raw) {
  constexpr std::size_t kLongestBlock = 65535;
  std::string out{"\x78\x01", 2};
  std::size_t pos = 0;
  do {
    const std::size_t length = std::min(kLongestBlock, raw.size() - pos);
    const bool last = pos + length == raw.size();
    out += static_cast<char>(last ? 1 : 0);
    out += static_cast<char>(length & 0xFF);
    out += static_cast<char>(length >> 8);
    out += static_cast<char>(~length & 0xFF);
    out += static_cast<char>((~length >> 8) & 0xFF);
    out.append(raw.substr(pos, length));
    pos += length;
  } while (pos < raw.size());
  appendBigEndian(out, adler32(raw));
  return out;
}

// Pixels whose count matches the size; colourType 2 is RGB, 6 is RGBA.
std::string encodeCheckedPng(std::uint32_t width, std::uint32_t height, std::size_t stride, char colourType,
                             const std::vector<std::uint8_t>& pixels) {
  std::string raw;
  raw.reserve((stride + 1) * height);
  for (std::uint32_t row = 0; row < height; ++row) {
    raw += '\0';  // no filter
    raw.append(reinterpret_cast<const char*>(pixels.data()) + row * stride, stride);
  }
  std::string header;
  appendBigEndian(header, width);
  appendBigEndian(header, height);
  header += '\x08';  // 8 bits per channel
  header += colourType;
  header += std::string{"\x00\x00\x00", 3};  // deflate, no filter choice, no interlace
  std::string png{"\x89PNG\r\n\x1a\n", 8};
  appendChunk(png, "IHDR", header);
  appendChunk(png, "IDAT", storedZlib(raw));
  appendChunk(png, "IEND", {});
  return png;
}

Result<std::string> encodePng(std::uint32_t width, std::uint32_t height, std::size_t channels, char colourType,
                              const std::vector<std::uint8_t>& pixels) {
  const std::optional<std::size_t> stride = checkedMul<std::size_t>(width, channels);
  const std::optional<std::size_t> bytes = stride ? checkedMul<std::size_t>(*stride, height) : std::nullopt;
  if (width == 0 || height == 0 || !bytes || *bytes != pixels.size()) {
    return Error{"The picture's pixels do not match its size of " + std::to_string(width) + " x " +
                 std::to_string(height) + "."};
  }
  return encodeCheckedPng(width, height, *stride, colourType, pixels);
}

}  // namespace

Result<std::string> encodeRgbPng(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& rgb) {
  return encodePng(width, height, 3, '\x02', rgb);
}

Result<std::string> encodeRgbaPng(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& rgba) {
  return encodePng(width, height, 4, '\x06', rgba);
}

}  // namespace myr::browser
