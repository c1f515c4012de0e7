#include "webui/browser/png_encoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace myr::browser {
namespace {

TEST(PngEncoder, WritesSignatureHeaderAndEveryPixel) {
  // 300 x 300 RGB needs more than one stored block.
  const std::uint32_t side = 300;
  std::vector<std::uint8_t> rgb(side * side * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) {
    rgb[i] = static_cast<std::uint8_t>(i * 7);
  }
  const std::string png = encodeRgbPng(side, side, rgb).value();
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  EXPECT_EQ(png.substr(png.size() - 8, 4), "IEND");
  // Stored blocks keep every pixel byte readable in the file.
  EXPECT_NE(png.find(std::string(reinterpret_cast<const char*>(rgb.data()), 3 * side)), std::string::npos);
}

TEST(PngEncoder, WritesRgbaWithItsColourType) {
  const std::uint32_t side = 4;
  std::vector<std::uint8_t> rgba(side * side * 4);
  for (std::size_t i = 0; i < rgba.size(); ++i) {
    rgba[i] = static_cast<std::uint8_t>(255 - i);
  }
  const std::string png = encodeRgbaPng(side, side, rgba).value();
  // IHDR's data: width, height, bit depth 8, colour type 6 (RGBA).
  EXPECT_EQ(png.substr(16, 10), std::string("\0\0\0\x04\0\0\0\x04\x08\x06", 10));
  EXPECT_NE(png.find(std::string(reinterpret_cast<const char*>(rgba.data()) + 4 * side, 4 * side)), std::string::npos);
  EXPECT_FALSE(encodeRgbaPng(side, side, std::vector<std::uint8_t>(side * side * 3)).ok());
}

TEST(PngEncoder, RefusesPixelsThatDoNotMatchTheSize) {
  struct Case {
    std::uint32_t width;
    std::uint32_t height;
    std::size_t bytes;
  };
  for (const Case& c :
       {Case{2, 2, 11}, Case{2, 2, 13}, Case{0, 5, 0}, Case{5, 0, 0}, Case{0xFFFFFFFFu, 0xFFFFFFFFu, 3}}) {
    const auto png = encodeRgbPng(c.width, c.height, std::vector<std::uint8_t>(c.bytes));
    ASSERT_FALSE(png.ok()) << c.width << "x" << c.height;
    EXPECT_EQ(png.error().message, "The picture's pixels do not match its size of " + std::to_string(c.width) + " x " +
                                       std::to_string(c.height) + ".");
  }
}

}  // namespace
}  // namespace myr::browser
