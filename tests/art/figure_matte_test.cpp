#include "art/figure_matte.h"

#include <gtest/gtest.h>

#include "art_fixtures.h"

namespace myr::art {
namespace {

// The matte equals, byte for byte, one computed from its definition with every single-precision
// step rounded: flood from the border, enclosed white kept, erosion, then the 5-tap blur.
TEST(ExtractFigureMatte, MatchesTheReferenceAlphaExactlyAndKeepsTheColours) {
  const auto pictures = test::picturesIn("matte");
  ASSERT_FALSE(pictures.empty()) << "no pictures in " << test::fixturePath("matte");
  for (const auto& path : pictures) {
    SCOPED_TRACE(path.stem().string());
    Result<Tim2Picture> picture = decodeTim2(test::readBytes(path));
    ASSERT_TRUE(picture.ok()) << picture.error().message;
    const Tim2Picture decoded = *picture;
    extractFigureMatte(*picture);

    const std::vector<std::uint8_t> expected = test::readBytes(std::filesystem::path(path).replace_extension(".alpha"));
    ASSERT_EQ(expected.size() * 4, picture->pixels.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
      ASSERT_EQ(picture->pixels[4 * k + 3], expected[k]) << "pixel " << k;
      for (std::size_t c = 0; c < 3; ++c) {
        ASSERT_EQ(picture->pixels[4 * k + c], decoded.pixels[4 * k + c]) << "pixel " << k;
      }
    }
  }
}

TEST(ExtractFigureMatte, OnePixelPicturesAndLinesWork) {
  for (const auto& [width, height] : {std::pair{1, 1}, std::pair{1, 5}, std::pair{5, 1}}) {
    Tim2Picture white{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(4 * width * height), 255)};
    extractFigureMatte(white);
    for (std::size_t k = 3; k < white.pixels.size(); k += 4) {
      EXPECT_EQ(white.pixels[k], 0) << width << "x" << height;
    }
  }
}

}  // namespace
}  // namespace myr::art
