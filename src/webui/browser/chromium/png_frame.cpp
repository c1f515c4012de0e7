#include "webui/browser/chromium/png_frame.h"

#include <zlib.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "foundation/bytes/byte_reader.h"
#include "foundation/bytes/checked_size.h"

namespace myr::browser::chromium {

namespace {

constexpr std::string_view kSignature{"\x89PNG\r\n\x1a\n", 8};
// Larger than any screen, and small enough that a bitmap of it stays below 2 GiB.
constexpr std::uint32_t kLargestSide = 16384;

Error frameError(std::string_view reason) {
  return Error{"A picture of the page could not be decoded: " + std::string(reason) + "."};
}

bool crcMatches(std::span<const std::uint8_t> typeAndData, std::uint32_t crc) {
  return crc32(0, typeAndData.data(), static_cast<uInt>(typeAndData.size())) == crc;
}

struct Header {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t channels = 0;
};

Result<Header> readHeader(std::span<const std::uint8_t> data) {
  ByteReader reader(data);
  Header header;
  header.width = reader.u32be();
  header.height = reader.u32be();
  const std::uint8_t depth = reader.u8();
  const std::uint8_t colourType = reader.u8();
  const std::uint8_t compression = reader.u8();
  const std::uint8_t filterMethod = reader.u8();
  const std::uint8_t interlace = reader.u8();
  if (reader.failed() || reader.remaining() != 0 || compression != 0 || filterMethod != 0) {
    return frameError("its header is damaged");
  }
  if (header.width == 0 || header.height == 0 || header.width > kLargestSide || header.height > kLargestSide) {
    return frameError("its size is out of range");
  }
  if (depth != 8 || (colourType != 2 && colourType != 6) || interlace != 0) {
    return frameError("it is not an 8-bit RGB or RGBA picture without interlacing");
  }
  header.channels = colourType == 6 ? 4 : 3;
  return header;
}

// The image data of all IDAT chunks as one inflated stream.
class ImageData {
 public:
  explicit ImageData(const std::vector<std::span<const std::uint8_t>>& chunks) : chunks_(chunks) {
    usable_ = inflateInit(&stream_) == Z_OK;
  }
  ~ImageData() {
    if (usable_) {
      inflateEnd(&stream_);
    }
  }
  ImageData(const ImageData&) = delete;
  ImageData& operator=(const ImageData&) = delete;

  // Fills out whole; false when the data is damaged or ends first.
  bool read(std::span<std::uint8_t> out) {
    stream_.next_out = out.data();
    stream_.avail_out = static_cast<uInt>(out.size());
    while (stream_.avail_out > 0) {
      if (!usable_ || ended_) {
        return false;
      }
      if (stream_.avail_in == 0) {
        if (nextChunk_ == chunks_.size()) {
          return false;
        }
        const std::span<const std::uint8_t> chunk = chunks_[nextChunk_++];
        stream_.next_in = const_cast<Bytef*>(chunk.data());
        stream_.avail_in = static_cast<uInt>(chunk.size());
        continue;
      }
      const int status = inflate(&stream_, Z_NO_FLUSH);
      if (status == Z_STREAM_END) {
        ended_ = true;
      } else if (status != Z_OK) {
        return false;
      }
    }
    return true;
  }

  // True when the stream ends, checksum and all, with no byte after those read.
  bool endsHere() {
    std::uint8_t extra = 0;
    return !read({&extra, 1}) && ended_ && stream_.avail_out == 1;
  }

 private:
  const std::vector<std::span<const std::uint8_t>>& chunks_;
  std::size_t nextChunk_ = 0;
  z_stream stream_{};
  bool usable_ = false;
  bool ended_ = false;
};

std::uint8_t paeth(int left, int up, int upLeft) {
  const int estimate = left + up - upLeft;
  const int toLeft = std::abs(estimate - left);
  const int toUp = std::abs(estimate - up);
  const int toUpLeft = std::abs(estimate - upLeft);
  if (toLeft <= toUp && toLeft <= toUpLeft) {
    return static_cast<std::uint8_t>(left);
  }
  return static_cast<std::uint8_t>(toUp <= toUpLeft ? up : upLeft);
}

// Undoes the row's filter in place; previous is the row above, unfiltered (zeros for the first).
bool unfilter(std::uint8_t filter, std::span<std::uint8_t> row, std::span<const std::uint8_t> previous,
              std::size_t pixelBytes) {
  const std::size_t size = row.size();
  switch (filter) {
    case 0:
      return true;
    case 1:
      for (std::size_t i = pixelBytes; i < size; ++i) {
        row[i] = static_cast<std::uint8_t>(row[i] + row[i - pixelBytes]);
      }
      return true;
    case 2:
      for (std::size_t i = 0; i < size; ++i) {
        row[i] = static_cast<std::uint8_t>(row[i] + previous[i]);
      }
      return true;
    case 3:
      for (std::size_t i = 0; i < size; ++i) {
        const int left = i >= pixelBytes ? row[i - pixelBytes] : 0;
        row[i] = static_cast<std::uint8_t>(row[i] + (left + previous[i]) / 2);
      }
      return true;
    case 4:
      for (std::size_t i = 0; i < size; ++i) {
        const bool first = i < pixelBytes;
        row[i] = static_cast<std::uint8_t>(
            row[i] + paeth(first ? 0 : row[i - pixelBytes], previous[i], first ? 0 : previous[i - pixelBytes]));
      }
      return true;
    default:
      return false;
  }
}

void copyAsBlueGreenRed(std::span<const std::uint8_t> row, std::size_t pixelBytes, std::uint8_t* out) {
  for (std::size_t in = 0; in < row.size(); in += pixelBytes, out += 4) {
    out[0] = row[in + 2];
    out[1] = row[in + 1];
    out[2] = row[in];
    out[3] = 0;
  }
}

}  // namespace

Result<PngFrame> PngFrame::read(std::string_view png) {
  ByteReader reader(png);
  if (reader.text(kSignature.size()) != kSignature) {
    return frameError("it is not a PNG file");
  }
  std::optional<Header> header;
  std::vector<std::span<const std::uint8_t>> data;
  while (true) {
    const std::uint32_t length = reader.u32be();
    const std::span<const std::uint8_t> typeAndData = reader.bytes(std::size_t{4} + length);
    const std::uint32_t crc = reader.u32be();
    if (reader.failed()) {
      return frameError("it ends inside a chunk");
    }
    if (!crcMatches(typeAndData, crc)) {
      return frameError("a chunk's CRC does not match");
    }
    const std::string_view type(reinterpret_cast<const char*>(typeAndData.data()), 4);
    const std::span<const std::uint8_t> content = typeAndData.subspan(4);
    if (!header) {
      if (type != "IHDR") {
        return frameError("it does not begin with its header");
      }
      Result<Header> read = readHeader(content);
      if (!read) {
        return read.error();
      }
      header = *read;
    } else if (type == "IDAT") {
      data.push_back(content);
    } else if (type == "IEND") {
      break;
    } else if (type == "IHDR" || (type[0] & 0x20) == 0) {
      // A critical chunk other than these (PLTE is only a suggestion for RGB pictures).
      if (type != "PLTE") {
        return frameError("it has a chunk this decoder cannot read");
      }
    }
  }
  if (data.empty()) {
    return frameError("it has no image data");
  }
  return PngFrame(header->width, header->height, header->channels, std::move(data));
}

Result<void> PngFrame::decodeInto(std::span<std::uint8_t> bgrx) const {
  if (bgrx.size() != std::size_t{width_} * height_ * 4) {
    return frameError("the bitmap's size is not the picture's");
  }
  // Each row: its filter byte, then its pixels. The row above the first is zeros.
  const std::size_t rowBytes = std::size_t{width_} * channels_;
  std::vector<std::uint8_t> row(1 + rowBytes);
  std::vector<std::uint8_t> above(1 + rowBytes, 0);
  ImageData stream(data_);
  for (std::uint32_t y = 0; y < height_; ++y) {
    if (!stream.read(row)) {
      return frameError("its image data is damaged or cut short");
    }
    const std::span<std::uint8_t> pixels = std::span(row).subspan(1);
    if (!unfilter(row[0], pixels, std::span(above).subspan(1), channels_)) {
      return frameError("a row has an unknown filter");
    }
    copyAsBlueGreenRed(pixels, channels_, bgrx.data() + std::size_t{y} * width_ * 4);
    std::swap(row, above);
  }
  if (!stream.endsHere()) {
    return frameError("its image data does not end after the last row");
  }
  return {};
}

}  // namespace myr::browser::chromium
