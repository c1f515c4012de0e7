#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "art/icons_win.h"

namespace myr::art {

// An icon's colour picture as the desktop draws it: B, G, R, A from the top row down. Side 0
// when the icon does not exist (any more).
struct IconPixels {
  std::int32_t side = 0;
  std::int32_t maskSide = 0;
  std::vector<std::uint8_t> bgra;
};

inline IconPixels iconPixels(HICON icon) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) {
    return {};
  }
  const UniqueBitmap colour(info.hbmColor);
  const UniqueBitmap mask(info.hbmMask);
  BITMAP header{};
  GetObjectW(colour.get(), sizeof header, &header);
  BITMAP maskHeader{};
  GetObjectW(mask.get(), sizeof maskHeader, &maskHeader);
  IconPixels pixels{header.bmWidth, maskHeader.bmWidth, {}};
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = pixels.side;
  format.bmiHeader.biHeight = -pixels.side;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  pixels.bgra.resize(static_cast<std::size_t>(pixels.side) * pixels.side * 4);
  const HDC screen = GetDC(nullptr);
  GetDIBits(screen, colour.get(), 0, static_cast<UINT>(pixels.side), pixels.bgra.data(), &format, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return pixels;
}

}  // namespace myr::art
