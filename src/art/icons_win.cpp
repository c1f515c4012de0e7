#include "art/icons_win.h"

#include <algorithm>

#include "art/game_art.h"

namespace myr::art {

namespace {

// A top-down 32-bit bitmap with alpha whose pixels the caller writes as B, G, R, A.
UniqueBitmap createColourBitmap(std::int32_t side, std::uint8_t*& bits) {
  BITMAPV5HEADER header{};
  header.bV5Size = sizeof header;
  header.bV5Width = side;
  header.bV5Height = -side;
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_BITFIELDS;
  header.bV5RedMask = 0x00FF0000;
  header.bV5GreenMask = 0x0000FF00;
  header.bV5BlueMask = 0x000000FF;
  header.bV5AlphaMask = 0xFF000000;
  void* pixels = nullptr;
  UniqueBitmap bitmap(
      CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&header), DIB_RGB_COLORS, &pixels, nullptr, 0));
  bits = static_cast<std::uint8_t*>(pixels);
  return bitmap;
}

// The colour bitmap's alpha decides; the mask only has to exist, all zero, rows padded to 16 bits.
UniqueBitmap createEmptyMask(std::int32_t side) {
  const std::size_t wordsPerRow = (static_cast<std::size_t>(side) + 15) / 16;
  const std::vector<WORD> bits(wordsPerRow * static_cast<std::size_t>(side), 0);
  return UniqueBitmap(CreateBitmap(side, side, 1, 1, bits.data()));
}

void copyAsBgra(const game_icon::Image& image, std::uint8_t* bits) {
  const std::size_t side = static_cast<std::size_t>(image.size);
  const std::size_t count = std::min(image.pixels.size() / 4, side * side);
  for (std::size_t k = 0; k < count; ++k) {
    const std::uint8_t* rgba = image.pixels.data() + 4 * k;
    bits[4 * k] = rgba[2];
    bits[4 * k + 1] = rgba[1];
    bits[4 * k + 2] = rgba[0];
    bits[4 * k + 3] = rgba[3];
  }
}

}  // namespace

HICON CreatedIcons::keep(UniqueIcon icon) {
  icons_.push_back(std::move(icon));
  return icons_.back().get();
}

HICON iconFromArt(std::span<const game_icon::Image> art, std::int32_t size, CreatedIcons& created) {
  const game_icon::Image* image = nearestArtImage(art, size);
  if (image == nullptr) {
    return nullptr;
  }
  std::uint8_t* bits = nullptr;
  const UniqueBitmap colour = createColourBitmap(image->size, bits);
  const UniqueBitmap mask = createEmptyMask(image->size);
  if (!colour || !mask) {
    return nullptr;
  }
  copyAsBgra(*image, bits);
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmMask = mask.get();
  info.hbmColor = colour.get();
  UniqueIcon icon(CreateIconIndirect(&info));
  if (!icon) {
    return nullptr;
  }
  return created.keep(std::move(icon));
}

}  // namespace myr::art
