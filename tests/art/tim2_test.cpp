#include "art/tim2.h"

#include <gtest/gtest.h>

#include <string>

#include "art_fixtures.h"

namespace myr::art {
namespace {

using test::readBytes;

// Every picture the encoder wrote decodes to the RGBA it computed, or is refused with its message.
TEST(DecodeTim2, DecodesEveryFixtureAsTheEncoderExpects) {
  const auto pictures = test::picturesIn("decode");
  ASSERT_FALSE(pictures.empty()) << "no pictures in " << test::fixturePath("decode");
  for (const auto& picture : pictures) {
    SCOPED_TRACE(picture.stem().string());
    const Result<Tim2Picture> decoded = decodeTim2(readBytes(picture));
    const auto errorFile = std::filesystem::path(picture).replace_extension(".error");
    if (std::filesystem::exists(errorFile)) {
      const std::vector<std::uint8_t> message = readBytes(errorFile);
      ASSERT_FALSE(decoded.ok());
      EXPECT_EQ(decoded.error().message, std::string(message.begin(), message.end()));
      continue;
    }
    ASSERT_TRUE(decoded.ok()) << decoded.error().message;
    const std::vector<std::uint8_t> expected = readBytes(std::filesystem::path(picture).replace_extension(".rgba"));
    ASSERT_GE(expected.size(), 8u);
    EXPECT_EQ(decoded->width, expected[0] | expected[1] << 8);
    EXPECT_EQ(decoded->height, expected[4] | expected[5] << 8);
    EXPECT_EQ(decoded->pixels, std::vector<std::uint8_t>(expected.begin() + 8, expected.end()));
  }
}

// Cutting any readable picture short anywhere is refused, never read past its end.
TEST(DecodeTim2, RefusesEveryTruncationOfAPicture) {
  const std::vector<std::uint8_t> whole = test::fixture("decode/indexed4_odd_width_reads_palette.tm2");
  ASSERT_TRUE(decodeTim2(whole).ok());
  for (std::size_t length = 0; length < whole.size(); ++length) {
    const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
    const Result<Tim2Picture> decoded = decodeTim2(cut);
    ASSERT_FALSE(decoded.ok()) << length;
    EXPECT_EQ(decoded.error().message, length < 64 ? "not a TIM2 picture" : "bad TIM2 header") << length;
  }
}

}  // namespace
}  // namespace myr::art
