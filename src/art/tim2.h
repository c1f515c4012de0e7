#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "foundation/error.h"

namespace myr::art {

// A decoded picture: width x height RGBA pixels, rows top to bottom, alpha 0 (transparent) to
// 255 (opaque).
struct Tim2Picture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> pixels;
};

// The first picture of a TIM2 file. Bad data is refused with a short message, never thrown.
Result<Tim2Picture> decodeTim2(std::span<const std::uint8_t> bytes);

}  // namespace myr::art
