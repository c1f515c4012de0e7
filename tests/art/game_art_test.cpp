#include "art/game_art.h"

#include <gtest/gtest.h>

#include <fstream>
#include <new>
#include <string>

#include "art/figure_matte.h"
#include "art_fixtures.h"

namespace myr::art {
namespace {

Tim2Picture solidPicture(std::int32_t width, std::int32_t height, std::array<std::uint8_t, 4> rgba) {
  Tim2Picture picture{width, height, {}};
  for (std::int32_t k = 0; k < width * height; ++k) {
    picture.pixels.insert(picture.pixels.end(), rgba.begin(), rgba.end());
  }
  return picture;
}

std::uint8_t* pixelAt(Tim2Picture& picture, std::int32_t x, std::int32_t y) {
  return picture.pixels.data() + 4 * (static_cast<std::size_t>(y) * picture.width + x);
}

const std::uint8_t* pixelAt(const game_icon::Image& image, std::int32_t x, std::int32_t y) {
  return image.pixels.data() + 4 * (static_cast<std::size_t>(y) * image.size + x);
}

std::array<std::uint8_t, 4> rgbaAt(const game_icon::Image& image, std::int32_t x, std::int32_t y) {
  const std::uint8_t* p = pixelAt(image, x, y);
  return {p[0], p[1], p[2], p[3]};
}

void expectBox(const CropBox& box, const CropBox& expected) {
  EXPECT_EQ(box.left, expected.left);
  EXPECT_EQ(box.top, expected.top);
  EXPECT_EQ(box.right, expected.right);
  EXPECT_EQ(box.bottom, expected.bottom);
}

TEST(GameArtFromPicture, FigureBoxesBelowEightPixelsHaveNoFigure) {
  const struct {
    const char* picture;
    const char* error;  // empty: nine pictures
  } cases[] = {
      {"figure_8x8", ""},
      {"figure_7x8", "the picture has no figure"},
      {"figure_8x7", "the picture has no figure"},
      {"all_white", "the picture has no figure"},
      {"figure_60x90", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.picture);
    const Result<std::vector<game_icon::Image>> art =
        gameArtFromPicture(test::fixture(std::string("art/") + c.picture + ".tm2"));
    if (*c.error != '\0') {
      ASSERT_FALSE(art.ok());
      EXPECT_EQ(art.error().message, c.error);
      continue;
    }
    ASSERT_TRUE(art.ok()) << art.error().message;
    ASSERT_EQ(art->size(), game_icon::kSizes.size());
    for (std::size_t i = 0; i < art->size(); ++i) {
      EXPECT_EQ((*art)[i].size, game_icon::kSizes[i]);
      EXPECT_EQ((*art)[i].pixels.size(), static_cast<std::size_t>(4 * game_icon::kSizes[i] * game_icon::kSizes[i]));
    }
  }
}

TEST(GameArtFromPicture, DecoderMessagesPassThrough) {
  const Result<std::vector<game_icon::Image>> art = gameArtFromPicture(test::fixture("decode/image_type_2.tm2"));
  ASSERT_FALSE(art.ok());
  EXPECT_EQ(art.error().message, "unsupported TIM2 image type 2");
}

// The matte finds the figure drawn at (10, 10) sized 60 x 90 exactly, and the crops lie around it.
TEST(FindFigureCrops, CropsAroundTheMattedFigure) {
  Result<Tim2Picture> picture = decodeTim2(test::fixture("art/figure_60x90.tm2"));
  ASSERT_TRUE(picture.ok());
  extractFigureMatte(*picture);
  const Result<FigureCrops> crops = findFigureCrops(*picture);
  ASSERT_TRUE(crops.ok());
  expectBox(crops->figure, {10 - 24, 10 - 24, 70 + 24, 100 + 24});
  expectBox(crops->head, {10 + 5 - 14, 10 - 14, 70 - 5 + 14, 10 + 63 + 14});
}

// Alpha above 40 counts; the inset and head height round halves away from zero (4.5 and 10.5 up).
TEST(FindFigureCrops, CountsAlphaAbove40AndRoundsHalvesAway) {
  Tim2Picture picture = solidPicture(80, 60, {0, 0, 0, 40});
  for (std::int32_t y = 20; y < 35; ++y) {
    for (std::int32_t x = 10; x < 60; ++x) {
      pixelAt(picture, x, y)[3] = 41;
    }
  }
  const Result<FigureCrops> crops = findFigureCrops(picture);
  ASSERT_TRUE(crops.ok());
  expectBox(crops->figure, {-14, -4, 84, 59});
  expectBox(crops->head, {10 + 5 - 14, 20 - 14, 60 - 5 + 14, 20 + 11 + 14});
}

TEST(FindFigureCrops, AnOpaqueBorderMakesTheWholePictureTheFigure) {
  Tim2Picture picture = solidPicture(20, 12, {240, 250, 250, 0});
  extractFigureMatte(picture);
  const Result<FigureCrops> crops = findFigureCrops(picture);
  ASSERT_TRUE(crops.ok());
  expectBox(crops->figure, {-24, -24, 44, 36});
}

// One source pixel per output pixel: the picture comes back unchanged above 48 pixels; at 48 and
// below a lone brighter dot gains contrast against its side neighbours, and its diagonal
// neighbours (difference below 2) stay as they were.
TEST(ResampleSquare, SharpensOnlyAt48AndBelow) {
  for (const std::int32_t size : {48, 64}) {
    SCOPED_TRACE(size);
    Tim2Picture picture = solidPicture(size, size, {100, 100, 100, 255});
    std::fill_n(pixelAt(picture, 20, 20), 3, std::uint8_t{150});
    const game_icon::Image image = resampleSquare(picture, {0, 0, size, size}, size);
    const bool sharpened = size <= 48;
    using Rgba = std::array<std::uint8_t, 4>;
    EXPECT_EQ(rgbaAt(image, 20, 20), sharpened ? (Rgba{168, 168, 168, 255}) : (Rgba{150, 150, 150, 255}));
    EXPECT_EQ(rgbaAt(image, 21, 20), sharpened ? (Rgba{96, 96, 96, 255}) : (Rgba{100, 100, 100, 255}));
    EXPECT_EQ(rgbaAt(image, 20, 19), rgbaAt(image, 21, 20));
    EXPECT_EQ(rgbaAt(image, 21, 21), (Rgba{100, 100, 100, 255}));
    EXPECT_EQ(rgbaAt(image, 5, 5), (Rgba{100, 100, 100, 255}));
  }
}

// A transparent pixel's colour does not bleed into its opaque neighbour's.
TEST(ResampleSquare, WeighsColoursByAlpha) {
  Tim2Picture picture = solidPicture(2, 2, {0, 0, 255, 255});
  for (const std::int32_t y : {0, 1}) {
    std::copy_n(std::array<std::uint8_t, 4>{255, 0, 0, 0}.data(), 4, pixelAt(picture, 0, y));
  }
  const game_icon::Image image = resampleSquare(picture, {0, 0, 2, 2}, 1);
  EXPECT_EQ(rgbaAt(image, 0, 0), (std::array<std::uint8_t, 4>{0, 0, 255, 128}));
}

// A flat box is centred in its square: its origin lround(-30.5) is -31, rounded away from zero.
// Outside the picture is transparent.
TEST(ResampleSquare, CentresTheBoxAndLeavesOutsideTransparent) {
  Tim2Picture picture = solidPicture(64, 64, {10, 20, 30, 255});
  for (std::int32_t x = 0; x < 64; ++x) {
    pixelAt(picture, x, 1)[0] = 200;
  }
  const game_icon::Image image = resampleSquare(picture, {0, 0, 64, 3}, 64);
  using Rgba = std::array<std::uint8_t, 4>;
  for (std::int32_t x = 0; x < 64; ++x) {
    EXPECT_EQ(rgbaAt(image, x, 30), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(rgbaAt(image, x, 31), (Rgba{10, 20, 30, 255}));
    EXPECT_EQ(rgbaAt(image, x, 32), (Rgba{200, 20, 30, 255}));
  }
  const game_icon::Image outside = resampleSquare(picture, {70, 70, 80, 80}, 16);
  EXPECT_EQ(outside.pixels, std::vector<std::uint8_t>(16 * 16 * 4, 0));
}

TEST(ResampleSquare, AnEmptyBoxGivesATransparentImage) {
  const game_icon::Image image = resampleSquare(solidPicture(4, 4, {1, 2, 3, 255}), {2, 2, 2, 2}, 16);
  EXPECT_EQ(image.size, 16);
  EXPECT_EQ(image.pixels, std::vector<std::uint8_t>(16 * 16 * 4, 0));
}

// readGameArt with a stand-in for the disc's root lookup.
class ReadGameArt : public ::testing::Test {
 protected:
  void SetUp() override {
    image_ = std::filesystem::temp_directory_path() /
             ("art_image_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".iso");
    picture_ = test::fixture("art/figure_8x8.tm2");
    ASSERT_FALSE(picture_.empty());
    std::ofstream out(image_, std::ios::binary);
    out.write(std::string(kPictureOffset, 'x').data(), kPictureOffset);
    out.write(reinterpret_cast<const char*>(picture_.data()), static_cast<std::streamsize>(picture_.size()));
  }
  void TearDown() override { std::filesystem::remove(image_); }

  LocateNestedFile locatedAt(std::uint64_t offset, std::uint64_t size) {
    return [this, offset, size](const std::filesystem::path& image, std::string_view container,
                                std::string_view file) -> Result<PictureRange> {
      asked_ = {image, std::string(container), std::string(file)};
      return PictureRange{offset, size};
    };
  }

  static constexpr std::streamsize kPictureOffset = 5000;
  std::filesystem::path image_;
  std::vector<std::uint8_t> picture_;
  std::tuple<std::filesystem::path, std::string, std::string> asked_;
};

TEST_F(ReadGameArt, ReadsThePictureTheLookupFinds) {
  const Result<std::vector<game_icon::Image>> art = readGameArt(image_, locatedAt(kPictureOffset, picture_.size()));
  ASSERT_TRUE(art.ok()) << art.error().message;
  EXPECT_EQ(art->size(), game_icon::kSizes.size());
  EXPECT_EQ(asked_, std::make_tuple(image_, std::string("ARTPK.CVM"), std::string("ART_FIGURE_01.TM2")));
  EXPECT_EQ(loadGameArt(image_, locatedAt(kPictureOffset, picture_.size())).size(), game_icon::kSizes.size());
}

TEST_F(ReadGameArt, RefusesWhatCannotBeThePicture) {
  const std::uint64_t eightMiB = 8 * 1024 * 1024;
  const struct {
    std::uint64_t offset;
    std::uint64_t size;
    const char* error;
  } cases[] = {
      {kPictureOffset, 63, "unexpected picture size"},
      {kPictureOffset, eightMiB + 1, "unexpected picture size"},
      {kPictureOffset, eightMiB, "cannot read the picture"},
      {kPictureOffset + 1, 100, "not a TIM2 picture"},
      {kPictureOffset + 1, picture_.size(), "cannot read the picture"},
      {~std::uint64_t{0} - 100, 100, "cannot read the picture"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.offset);
    SCOPED_TRACE(c.size);
    const Result<std::vector<game_icon::Image>> art = readGameArt(image_, locatedAt(c.offset, c.size));
    ASSERT_FALSE(art.ok());
    EXPECT_EQ(art.error().message, c.error);
    EXPECT_TRUE(loadGameArt(image_, locatedAt(c.offset, c.size)).empty());
  }
}

TEST_F(ReadGameArt, MissingImageCannotBeRead) {
  const Result<std::vector<game_icon::Image>> art =
      readGameArt(image_.string() + ".missing", locatedAt(kPictureOffset, picture_.size()));
  ASSERT_FALSE(art.ok());
  EXPECT_EQ(art.error().message, "cannot read the picture");
}

TEST_F(ReadGameArt, TheLookupsMessageIsTheError) {
  const LocateNestedFile noContainer = [](const std::filesystem::path&, std::string_view container,
                                          std::string_view) -> Result<PictureRange> {
    return Error{std::string(container) + " not found"};
  };
  const Result<std::vector<game_icon::Image>> art = readGameArt(image_, noContainer);
  ASSERT_FALSE(art.ok());
  EXPECT_EQ(art.error().message, "ARTPK.CVM not found");
}

TEST_F(ReadGameArt, AnExceptionBecomesTheError) {
  const LocateNestedFile throwing = [](const std::filesystem::path&, std::string_view,
                                       std::string_view) -> Result<PictureRange> { throw std::bad_alloc(); };
  const Result<std::vector<game_icon::Image>> art = readGameArt(image_, throwing);
  ASSERT_FALSE(art.ok());
  EXPECT_EQ(art.error().message, std::bad_alloc().what());
  EXPECT_TRUE(loadGameArt(image_, throwing).empty());
}

TEST_F(ReadGameArt, AnEmptyPathReadsNothing) {
  bool asked = false;
  const LocateNestedFile recording = [&asked](const std::filesystem::path&, std::string_view,
                                              std::string_view) -> Result<PictureRange> {
    asked = true;
    return Error{"unexpected"};
  };
  EXPECT_TRUE(loadGameArt({}, recording).empty());
  EXPECT_FALSE(asked);
}

TEST(NearestArtImage, TakesTheFirstAtLeastAsLargeElseTheLargest) {
  std::vector<game_icon::Image> art;
  for (const std::int32_t size : game_icon::kSizes) {
    art.push_back({size, {}});
  }
  const std::pair<std::int32_t, std::int32_t> cases[] = {{0, 16},  {16, 16},   {17, 20},  {30, 32},
                                                         {33, 40}, {256, 256}, {300, 256}};
  for (const auto& [asked, chosen] : cases) {
    const game_icon::Image* image = nearestArtImage(art, asked);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->size, chosen) << asked;
  }
  EXPECT_EQ(nearestArtImage({}, 16), nullptr);
}

}  // namespace
}  // namespace myr::art
