// The browser's PNG pictures decoded into the window's rows: every row filter, RGB and RGBA,
// data split over chunks, and every way a damaged or unexpected file is refused.

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "webui/browser/chromium/png_frame.h"
#include "webui/browser/png_encoder.h"

namespace myr::browser::chromium {
namespace {

using Bytes = std::vector<std::uint8_t>;

void appendBigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<char>((value >> shift) & 0xff));
  }
}

std::string chunk(std::string_view type, std::string_view content) {
  std::string out;
  appendBigEndian(out, static_cast<std::uint32_t>(content.size()));
  const std::string typeAndContent = std::string(type) + std::string(content);
  out += typeAndContent;
  appendBigEndian(out, crc32(0, reinterpret_cast<const Bytef*>(typeAndContent.data()),
                             static_cast<uInt>(typeAndContent.size())));
  return out;
}

struct Picture {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t colourType = 2;  // 2: RGB, 6: RGBA
  Bytes pixels;
  std::uint8_t depth = 8;
  std::uint8_t interlace = 0;

  std::uint32_t channels() const { return colourType == 6 ? 4 : 3; }
};

std::string header(const Picture& picture) {
  std::string content;
  appendBigEndian(content, picture.width);
  appendBigEndian(content, picture.height);
  content += {static_cast<char>(picture.depth), static_cast<char>(picture.colourType), 0, 0,
              static_cast<char>(picture.interlace)};
  return chunk("IHDR", content);
}

int predictor(std::uint8_t filter, int left, int up, int upLeft) {
  switch (filter) {
    case 1:
      return left;
    case 2:
      return up;
    case 3:
      return (left + up) / 2;
    case 4: {
      const int estimate = left + up - upLeft;
      const int toLeft = std::abs(estimate - left);
      const int toUp = std::abs(estimate - up);
      const int toUpLeft = std::abs(estimate - upLeft);
      return toLeft <= toUp && toLeft <= toUpLeft ? left : toUp <= toUpLeft ? up : upLeft;
    }
    default:
      return 0;
  }
}

// The rows as a PNG encoder writes them: row y filtered with filters[y % size].
Bytes filteredRows(const Picture& picture, const Bytes& filters) {
  const std::size_t rowBytes = std::size_t{picture.width} * picture.channels();
  const std::size_t step = picture.channels();
  Bytes out;
  for (std::uint32_t y = 0; y < picture.height; ++y) {
    const std::uint8_t filter = filters[y % filters.size()];
    const std::uint8_t* row = picture.pixels.data() + y * rowBytes;
    const std::uint8_t* above = y > 0 ? row - rowBytes : nullptr;
    out.push_back(filter);
    for (std::size_t i = 0; i < rowBytes; ++i) {
      const int left = i >= step ? row[i - step] : 0;
      const int up = above ? above[i] : 0;
      const int upLeft = above && i >= step ? above[i - step] : 0;
      out.push_back(static_cast<std::uint8_t>(row[i] - predictor(filter, left, up, upLeft)));
    }
  }
  return out;
}

std::string deflated(const Bytes& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string out(size, '\0');
  EXPECT_EQ(compress(reinterpret_cast<Bytef*>(out.data()), &size, raw.data(), static_cast<uLong>(raw.size())), Z_OK);
  out.resize(size);
  return out;
}

// A whole file; the compressed data is cut into IDAT chunks of at most pieceSize bytes.
std::string pngFile(const Picture& picture, const std::string& data, std::size_t pieceSize = 1 << 20) {
  std::string out = "\x89PNG\r\n\x1a\n" + header(picture);
  for (std::size_t at = 0; at < data.size(); at += pieceSize) {
    out += chunk("IDAT", data.substr(at, pieceSize));
  }
  return out + chunk("IEND", "");
}

// Pixels whose neighbours differ in every direction, so Paeth picks each of its predictors.
Picture varied(std::uint32_t width, std::uint32_t height, std::uint8_t colourType) {
  Picture picture{width, height, colourType, {}};
  picture.pixels.resize(std::size_t{width} * height * picture.channels());
  std::uint32_t seed = 12345;
  for (std::uint8_t& byte : picture.pixels) {
    seed = seed * 1103515245 + 12345;
    byte = static_cast<std::uint8_t>(seed >> 16);
  }
  return picture;
}

Bytes blueGreenRed(const Picture& picture) {
  Bytes out;
  for (std::size_t in = 0; in < picture.pixels.size(); in += picture.channels()) {
    out.insert(out.end(), {picture.pixels[in + 2], picture.pixels[in + 1], picture.pixels[in], 0});
  }
  return out;
}

Result<Bytes> decoded(const std::string& file) {
  Result<PngFrame> frame = PngFrame::read(file);
  if (!frame) {
    return frame.error();
  }
  Bytes bgrx(std::size_t{frame->width()} * frame->height() * 4, 0xAA);
  const Status status = frame->decodeInto(bgrx);
  if (!status) {
    return status.error();
  }
  return bgrx;
}

TEST(PngFrame, EveryFilterAndLayoutGivesThePixelsBack) {
  struct Case {
    const char* what;
    Picture picture;
    Bytes filters;
    std::size_t pieceSize;
  };
  const Case cases[] = {
      {"RGB, no filter", varied(5, 4, 2), {0}, 1 << 20},
      {"RGB, sub", varied(5, 4, 2), {1}, 1 << 20},
      {"RGB, up (what the browser writes)", varied(5, 4, 2), {2}, 1 << 20},
      {"RGB, average", varied(5, 4, 2), {3}, 1 << 20},
      {"RGB, Paeth", varied(5, 4, 2), {4}, 1 << 20},
      {"RGBA, every filter row after row", varied(7, 10, 6), {0, 1, 2, 3, 4}, 1 << 20},
      {"RGB, data in chunks of one byte", varied(9, 6, 2), {4, 3, 2, 1, 0}, 1},
      {"one pixel", varied(1, 1, 2), {4}, 1 << 20},
      {"a wide row", varied(3000, 2, 2), {1, 4}, 4096},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    const Result<Bytes> pixels =
        decoded(pngFile(test.picture, deflated(filteredRows(test.picture, test.filters)), test.pieceSize));
    ASSERT_TRUE(pixels) << pixels.error().message;
    EXPECT_EQ(*pixels, blueGreenRed(test.picture));
  }
}

TEST(PngFrame, ReadsWhatTheLaunchersOwnEncoderWrites) {
  // Stored deflate blocks and an RGBA picture, as the headless page's pictures are.
  const Result<std::string> png = encodeRgbaPng(2, 1, {1, 2, 3, 255, 200, 100, 50, 128});
  ASSERT_TRUE(png);
  const Result<Bytes> pixels = decoded(*png);
  ASSERT_TRUE(pixels) << pixels.error().message;
  EXPECT_EQ(*pixels, (Bytes{3, 2, 1, 0, 50, 100, 200, 0}));
}

TEST(PngFrame, AncillaryChunksAndASuggestedPaletteAreSkipped) {
  const Picture picture = varied(3, 3, 2);
  const std::string data = deflated(filteredRows(picture, {2}));
  const std::string file = "\x89PNG\r\n\x1a\n" + header(picture) + chunk("sRGB", std::string(1, '\0')) +
                           chunk("PLTE", "\1\2\3") + chunk("IDAT", data) + chunk("tEXt", "a\0b") + chunk("IEND", "");
  const Result<Bytes> pixels = decoded(file);
  ASSERT_TRUE(pixels) << pixels.error().message;
  EXPECT_EQ(*pixels, blueGreenRed(picture));
}

TEST(PngFrame, DamagedAndUnexpectedFilesAreRefusedWithTheirReason) {
  const Picture picture = varied(4, 3, 2);
  const Bytes rows = filteredRows(picture, {2});
  const std::string good = pngFile(picture, deflated(rows));
  const auto withHeader = [&](auto change) {
    Picture other = picture;
    change(other);
    return pngFile(other, deflated(rows));
  };
  std::string badCrc = good;
  badCrc[8 + 8 + 13] ^= 1;  // the header's CRC
  Bytes fewerRows(rows.begin(), rows.end() - 13);
  Bytes moreRows = rows;
  moreRows.insert(moreRows.end(), 13, 0);
  Bytes badFilter = rows;
  badFilter[13] = 5;
  std::string damagedData = deflated(rows);
  damagedData[2] = static_cast<char>(0xff);  // the first block's header: an invalid block type
  std::string noChecksum = deflated(rows);
  noChecksum.resize(noChecksum.size() - 4);

  struct Case {
    const char* what;
    std::string file;
    const char* reason;
  };
  const Case cases[] = {
      {"no PNG at all", "not a picture", "it is not a PNG file"},
      {"cut in the middle", good.substr(0, good.size() / 2), "it ends inside a chunk"},
      {"no end chunk", good.substr(0, good.size() - 12), "it ends inside a chunk"},
      {"a chunk's CRC", badCrc, "a chunk's CRC does not match"},
      {"data before the header", "\x89PNG\r\n\x1a\n" + chunk("IDAT", deflated(rows)) + header(picture),
       "it does not begin with its header"},
      {"a second header", "\x89PNG\r\n\x1a\n" + header(picture) + header(picture) + chunk("IEND", ""),
       "a chunk this decoder cannot read"},
      {"an unknown critical chunk", "\x89PNG\r\n\x1a\n" + header(picture) + chunk("ABCD", "") + chunk("IEND", ""),
       "a chunk this decoder cannot read"},
      {"no image data", "\x89PNG\r\n\x1a\n" + header(picture) + chunk("IEND", ""), "it has no image data"},
      {"16 bits", withHeader([](Picture& p) { p.depth = 16; }), "not an 8-bit RGB or RGBA picture"},
      {"a palette", withHeader([](Picture& p) { p.colourType = 3; }), "not an 8-bit RGB or RGBA picture"},
      {"grey", withHeader([](Picture& p) { p.colourType = 0; }), "not an 8-bit RGB or RGBA picture"},
      {"interlaced", withHeader([](Picture& p) { p.interlace = 1; }), "not an 8-bit RGB or RGBA picture"},
      {"no width", withHeader([](Picture& p) { p.width = 0; }), "its size is out of range"},
      {"wider than any screen", withHeader([](Picture& p) { p.width = 16385; }), "its size is out of range"},
      {"taller than PNG allows", withHeader([](Picture& p) { p.height = 0xffffffff; }), "its size is out of range"},
      {"fewer rows than the header says", pngFile(picture, deflated(fewerRows)), "damaged or cut short"},
      {"more rows than the header says", pngFile(picture, deflated(moreRows)), "does not end after the last row"},
      {"data without its checksum", pngFile(picture, noChecksum), "does not end after the last row"},
      {"damaged compressed data", pngFile(picture, damagedData), "damaged or cut short"},
      {"an unknown row filter", pngFile(picture, deflated(badFilter)), "a row has an unknown filter"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    const Result<Bytes> pixels = decoded(test.file);
    ASSERT_FALSE(pixels);
    EXPECT_NE(pixels.error().message.find(test.reason), std::string::npos) << pixels.error().message;
    EXPECT_TRUE(pixels.error().message.starts_with("A picture of the page could not be decoded: "));
  }
}

TEST(PngFrame, ABitmapOfAnotherSizeIsRefused) {
  const Picture picture = varied(2, 2, 2);
  const Result<PngFrame> frame = PngFrame::read(pngFile(picture, deflated(filteredRows(picture, {0}))));
  ASSERT_TRUE(frame);
  Bytes tooSmall(2 * 2 * 4 - 1);
  EXPECT_FALSE(frame->decodeInto(tooSmall));
}

}  // namespace
}  // namespace myr::browser::chromium
