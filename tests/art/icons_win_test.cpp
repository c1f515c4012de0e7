#include "art/icons_win.h"

#include <gtest/gtest.h>

#include "art/icon_pixels_win.h"

namespace myr::art {
namespace {

// One image of every size, each a single colour that tells it apart.
std::vector<game_icon::Image> distinctArt() {
  std::vector<game_icon::Image> art;
  for (const std::int32_t size : game_icon::kSizes) {
    game_icon::Image image{size, {}};
    for (std::int32_t k = 0; k < size * size; ++k) {
      image.pixels.insert(image.pixels.end(), {static_cast<std::uint8_t>(size - 1), 40, 200, 180});
    }
    art.push_back(std::move(image));
  }
  return art;
}

TEST(IconFromArt, UsesTheNearestImageAtLeastAsLarge) {
  const std::vector<game_icon::Image> art = distinctArt();
  const std::pair<std::int32_t, std::int32_t> cases[] = {{16, 16}, {30, 32}, {32, 32}, {40, 40}, {300, 256}};
  CreatedIcons created;
  for (const auto& [asked, side] : cases) {
    SCOPED_TRACE(asked);
    const HICON icon = iconFromArt(art, asked, created);
    ASSERT_NE(icon, nullptr);
    const IconPixels pixels = iconPixels(icon);
    EXPECT_EQ(pixels.side, side);
    EXPECT_EQ(pixels.maskSide, side);
    ASSERT_GE(pixels.bgra.size(), 4u);
    const std::vector<std::uint8_t> bgra{200, 40, static_cast<std::uint8_t>(side - 1), 180};
    EXPECT_EQ(std::vector(pixels.bgra.begin(), pixels.bgra.begin() + 4), bgra);
  }
  EXPECT_EQ(created.size(), std::size(cases));
}

TEST(IconFromArt, NoArtNoIcon) {
  CreatedIcons created;
  EXPECT_EQ(iconFromArt({}, 32, created), nullptr);
  EXPECT_EQ(created.size(), 0u);
}

// Taking the old set leaves the list empty; the taken icons are destroyed when let go, and the
// icons made after stay usable.
TEST(CreatedIcons, TheTakenSetIsDestroyedWhenLetGo) {
  const std::vector<game_icon::Image> art = distinctArt();
  CreatedIcons created;
  const HICON oldBig = iconFromArt(art, 32, created);
  const HICON oldSmall = iconFromArt(art, 16, created);
  ASSERT_NE(oldBig, nullptr);
  ASSERT_NE(oldSmall, nullptr);

  std::vector<UniqueIcon> old = created.takeAll();
  EXPECT_EQ(created.size(), 0u);
  const HICON newBig = iconFromArt(art, 48, created);
  ASSERT_NE(newBig, nullptr);
  EXPECT_TRUE(iconPixels(oldBig).side);
  old.clear();

  EXPECT_FALSE(iconPixels(oldBig).side);
  EXPECT_FALSE(iconPixels(oldSmall).side);
  EXPECT_TRUE(iconPixels(newBig).side);
  EXPECT_EQ(created.size(), 1u);
}

}  // namespace
}  // namespace myr::art
