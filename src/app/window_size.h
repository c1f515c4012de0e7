#pragma once

#include <optional>
#include <string_view>

namespace myr::app {

struct WindowRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct WindowSize {
  int width = 0;
  int height = 0;
};

inline constexpr WindowSize kDefaultWindowSize{1180, 760};

// "<w>x<h>" as the size override reads it (trailing text allowed), within 640-4096 by 480-4096.
std::optional<WindowSize> parseSizeOverride(std::string_view text);

// The outer rectangle: the size in 1/96 inch scaled to dpi, capped to 95 % of the work area
// and centred in it.
WindowRect mainWindowRect(const WindowRect& workArea, int dpi, WindowSize size);

}  // namespace myr::app
