#pragma once

// The current mode of the monitor that shows the launcher, and the scale and frame rate the page
// proposes for it.

#include <cstdint>

#include "foundation/json/json.h"

namespace myr::settings {

// All zero unless ok: the monitor and its current mode were found.
struct DisplayInfo {
  bool ok = false;
  std::int32_t width = 0;
  std::int32_t height = 0;
  double refreshHz = 0;  // 0: unknown
};

// Whole multiples of the game's 448 lines that fit, from 1 to 6.
int displayScale(std::int32_t height);
// 60, 120, 144 or 240: the highest the monitor keeps up with, counting a rate just below as reached.
int displayFrameRate(double refreshHz);

// The rate from the mode's whole-number frequency, which the system rounds down: half a hertz is
// added back. 0 and 1 stand for the hardware's default and give 0.
double fallbackRefreshHz(std::uint32_t frequency);
// A display path's rate as numerator over denominator; the fallback when either is 0.
double exactRefreshHz(std::uint32_t numerator, std::uint32_t denominator, double fallback);

// {"ok"} or {"ok", "width", "height", "hz", "scale", "frameRate"}.
json::Value displayObject(const DisplayInfo& display);

}  // namespace myr::settings
