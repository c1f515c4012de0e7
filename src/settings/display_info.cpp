#include "settings/display_info.h"

#include <algorithm>

namespace myr::settings {

int displayScale(std::int32_t height) {
  if (height <= 0) {
    return 1;
  }
  const std::int64_t lines = (static_cast<std::int64_t>(height) + 447) / 448;
  return static_cast<int>(std::clamp<std::int64_t>(lines, 1, 6));
}

int displayFrameRate(double refreshHz) {
  if (!(refreshHz > 0)) {
    return 60;
  }
  const double reached = refreshHz + 0.5;
  for (const int rate : {240, 144, 120}) {
    if (reached >= rate) {
      return rate;
    }
  }
  return 60;
}

double fallbackRefreshHz(std::uint32_t frequency) { return frequency >= 2 ? frequency + 0.5 : 0; }

double exactRefreshHz(std::uint32_t numerator, std::uint32_t denominator, double fallback) {
  if (numerator == 0 || denominator == 0) {
    return fallback;
  }
  return static_cast<double>(numerator) / denominator;
}

json::Value displayObject(const DisplayInfo& display) {
  json::Value object;
  object.set("ok", display.ok);
  if (display.ok) {
    object.set("width", display.width)
        .set("height", display.height)
        .set("hz", display.refreshHz)
        .set("scale", displayScale(display.height))
        .set("frameRate", displayFrameRate(display.refreshHz));
  }
  return object;
}

}  // namespace myr::settings
