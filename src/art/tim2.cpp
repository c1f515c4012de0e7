#include "art/tim2.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "foundation/bytes/byte_reader.h"

namespace myr::art {

namespace {

constexpr std::size_t kFileHeaderSize = 16;
constexpr std::size_t kMinimumFileSize = 64;
constexpr std::uint16_t kMinimumPictureHeaderSize = 48;
constexpr std::uint16_t kLargestSide = 2048;

enum ImageType : std::uint8_t { kRgba32 = 3, kIndexed4 = 4, kIndexed8 = 5 };
constexpr std::uint8_t kClutEntryFormatMask = 0x3F;
constexpr std::uint8_t kClut32 = 3;

struct PictureHeader {
  std::uint32_t clutSize = 0;
  std::uint32_t imageSize = 0;
  std::uint16_t headerSize = 0;
  std::uint16_t clutColours = 0;
  std::uint8_t clutType = 0;
  std::uint8_t imageType = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
};

using Rgba = std::array<std::uint8_t, 4>;
using Palette = std::array<Rgba, 256>;

Error refusal(std::string message) { return Error{std::move(message)}; }

bool isTim2File(std::span<const std::uint8_t> bytes) {
  ByteReader reader(bytes);
  if (bytes.size() < kMinimumFileSize || reader.text(4) != "TIM2") {
    return false;
  }
  reader.skip(2);
  return reader.u16le() != 0;
}

PictureHeader readPictureHeader(std::span<const std::uint8_t> bytes) {
  ByteReader reader(bytes);
  reader.seek(kFileHeaderSize + 4);
  PictureHeader header;
  header.clutSize = reader.u32le();
  header.imageSize = reader.u32le();
  header.headerSize = reader.u16le();
  header.clutColours = reader.u16le();
  reader.skip(2);
  header.clutType = reader.u8();
  header.imageType = reader.u8();
  header.width = reader.u16le();
  header.height = reader.u16le();
  return header;
}

std::uint64_t imageOffset(const PictureHeader& header) { return kFileHeaderSize + header.headerSize; }
std::uint64_t clutOffset(const PictureHeader& header) { return imageOffset(header) + header.imageSize; }

bool headerFits(const PictureHeader& header, std::size_t fileSize) {
  const auto sideFits = [](std::uint16_t side) { return side >= 1 && side <= kLargestSide; };
  // Sums of 32-bit fields in 64 bits cannot wrap.
  return header.headerSize >= kMinimumPictureHeaderSize && sideFits(header.width) && sideFits(header.height) &&
         clutOffset(header) + header.clutSize <= fileSize;
}

// Alpha counts 0 to 128 on the console, where 128 is opaque.
std::uint8_t doubledAlpha(std::uint8_t alpha) { return static_cast<std::uint8_t>(std::min(255, 2 * alpha)); }

std::uint8_t expandFiveBits(unsigned value) { return static_cast<std::uint8_t>((value & 31) * 255 / 31); }

void decodeRgba32(std::span<const std::uint8_t> image, std::uint8_t* out, std::size_t pixelCount) {
  for (std::size_t k = 0; k < pixelCount; ++k) {
    const std::uint8_t* in = image.data() + 4 * k;
    out[4 * k] = in[0];
    out[4 * k + 1] = in[1];
    out[4 * k + 2] = in[2];
    out[4 * k + 3] = doubledAlpha(in[3]);
  }
}

Palette readPalette(ByteReader clut, std::uint16_t colours, bool entries32) {
  Palette palette{};
  for (std::uint16_t i = 0; i < colours; ++i) {
    if (entries32) {
      const std::uint8_t r = clut.u8();
      const std::uint8_t g = clut.u8();
      const std::uint8_t b = clut.u8();
      palette[i] = {r, g, b, doubledAlpha(clut.u8())};
    } else {
      const unsigned v = clut.u16le();
      palette[i] = {expandFiveBits(v), expandFiveBits(v >> 5), expandFiveBits(v >> 10),
                    static_cast<std::uint8_t>((v & 0x8000) != 0 ? 255 : 0)};
    }
  }
  return palette;
}

// 256-colour tables are stored with entries 8-15 and 16-23 of every group of 32 exchanged.
Palette inStorageOrder(const Palette& stored) {
  Palette palette;
  for (unsigned i = 0; i < palette.size(); ++i) {
    palette[i] = stored[(i & 0xE7) | ((i & 0x08) << 1) | ((i & 0x10) >> 1)];
  }
  return palette;
}

// Empty when the bytes do not hold length bytes of image data.
std::span<const std::uint8_t> imageData(std::span<const std::uint8_t> bytes, const PictureHeader& header,
                                        std::size_t length) {
  ByteReader reader(bytes);
  reader.seek(imageOffset(header));
  return reader.bytes(length);
}

std::uint8_t indexOf(std::span<const std::uint8_t> image, std::size_t k, bool fourBits) {
  if (!fourBits) {
    return image[k];
  }
  const std::uint8_t pair = image[k / 2];
  return k % 2 == 0 ? pair & 0x0F : pair >> 4;
}

Status decodeIndexed(std::span<const std::uint8_t> bytes, const PictureHeader& header, std::uint8_t* out,
                     std::size_t pixelCount) {
  const bool fourBits = header.imageType == kIndexed4;
  const bool entries32 = (header.clutType & kClutEntryFormatMask) == kClut32;
  if (header.clutColours < 1 || header.clutColours > 256 ||
      header.clutSize < static_cast<std::uint32_t>(header.clutColours) * (entries32 ? 4 : 2)) {
    return refusal("bad TIM2 palette");
  }
  if (header.imageSize < (fourBits ? pixelCount / 2 : pixelCount)) {
    return refusal("short TIM2 image");
  }
  Palette palette =
      readPalette(ByteReader(bytes).sub(clutOffset(header), header.clutSize), header.clutColours, entries32);
  if (header.clutColours == 256) {
    palette = inStorageOrder(palette);
  }
  // An odd 4-bit pixel count takes its last half byte from the start of the palette that follows.
  const std::span<const std::uint8_t> image = imageData(bytes, header, fourBits ? (pixelCount + 1) / 2 : pixelCount);
  if (image.empty()) {
    return refusal("short TIM2 image");
  }
  for (std::size_t k = 0; k < pixelCount; ++k) {
    std::memcpy(out + 4 * k, palette[indexOf(image, k, fourBits)].data(), 4);
  }
  return {};
}

}  // namespace

Result<Tim2Picture> decodeTim2(std::span<const std::uint8_t> bytes) {
  if (!isTim2File(bytes)) {
    return refusal("not a TIM2 picture");
  }
  const PictureHeader header = readPictureHeader(bytes);
  if (!headerFits(header, bytes.size())) {
    return refusal("bad TIM2 header");
  }
  Tim2Picture picture;
  picture.width = header.width;
  picture.height = header.height;
  const std::size_t pixelCount = std::size_t{header.width} * header.height;
  picture.pixels.assign(4 * pixelCount, 0);

  if (header.imageType == kRgba32) {
    if (header.imageSize < 4 * pixelCount) {
      return refusal("short TIM2 image");
    }
    const std::span<const std::uint8_t> image = imageData(bytes, header, 4 * pixelCount);
    if (image.empty()) {
      return refusal("short TIM2 image");
    }
    decodeRgba32(image, picture.pixels.data(), pixelCount);
    return picture;
  }
  if (header.imageType == kIndexed4 || header.imageType == kIndexed8) {
    if (Status decoded = decodeIndexed(bytes, header, picture.pixels.data(), pixelCount); !decoded) {
      return decoded.error();
    }
    return picture;
  }
  return refusal("unsupported TIM2 image type " + std::to_string(header.imageType));
}

}  // namespace myr::art
