#include "webui/browser/png_encoder.h"

#include <zlib.h>

#include <new>
#include <optional>
#include <string_view>

#include "foundation/bytes/checked_size.h"

namespace myr::browser {
namespace {

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
  appendBigEndian(out, static_cast<std::uint32_t>(
                           ::crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
}

// A zlib stream of stored (uncompressed) deflate blocks: the pictures are small and written once.
std::string storedZlib(std::string_view raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string out(size, '\0');
  // With room for the bound, only a failed allocation can make it fail, as it would for the string.
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
                static_cast<uLong>(raw.size()), Z_NO_COMPRESSION) != Z_OK) {
    throw std::bad_alloc();
  }
  out.resize(size);
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
