#include "art/icons_win.h"

#include <gtest/gtest.h>

#include <array>

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

struct IconBitmaps {
  UniqueBitmap colour;
  UniqueBitmap mask;
};

IconBitmaps bitmapsOf(HICON icon) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) {
    return {};
  }
  return {UniqueBitmap(info.hbmColor), UniqueBitmap(info.hbmMask)};
}

std::int32_t sideOf(HBITMAP bitmap) {
  BITMAP header{};
  GetObjectW(bitmap, sizeof header, &header);
  return header.bmWidth;
}

// The top-left pixel as B, G, R, A.
std::array<std::uint8_t, 4> firstPixel(HBITMAP bitmap, std::int32_t side) {
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = side;
  format.bmiHeader.biHeight = -side;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint8_t> bits(static_cast<std::size_t>(side) * side * 4);
  const HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, static_cast<UINT>(side), bits.data(), &format, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return {bits[0], bits[1], bits[2], bits[3]};
}

TEST(IconFromArt, UsesTheNearestImageAtLeastAsLarge) {
  const std::vector<game_icon::Image> art = distinctArt();
  const std::pair<std::int32_t, std::int32_t> cases[] = {{16, 16}, {30, 32}, {32, 32}, {40, 40}, {300, 256}};
  CreatedIcons created;
  for (const auto& [asked, side] : cases) {
    SCOPED_TRACE(asked);
    const HICON icon = iconFromArt(art, asked, created);
    ASSERT_NE(icon, nullptr);
    const IconBitmaps bitmaps = bitmapsOf(icon);
    ASSERT_TRUE(bitmaps.colour);
    EXPECT_EQ(sideOf(bitmaps.colour.get()), side);
    EXPECT_EQ(sideOf(bitmaps.mask.get()), side);
    const std::array<std::uint8_t, 4> bgra{200, 40, static_cast<std::uint8_t>(side - 1), 180};
    EXPECT_EQ(firstPixel(bitmaps.colour.get(), side), bgra);
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
  EXPECT_TRUE(bitmapsOf(oldBig).colour);
  old.clear();

  EXPECT_FALSE(bitmapsOf(oldBig).colour);
  EXPECT_FALSE(bitmapsOf(oldSmall).colour);
  EXPECT_TRUE(bitmapsOf(newBig).colour);
  EXPECT_EQ(created.size(), 1u);
}

}  // namespace
}  // namespace myr::art
