#pragma once

#include <cstdint>

#include "art/game_icon.h"
#include "art/tim2.h"

namespace myr::art {

// A crop of a picture; right and bottom are exclusive, and any side may lie outside the picture.
struct CropBox {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

// The square of the box's larger side, centred on the box, resampled to size x size by area
// coverage and weighted by alpha; small sizes are sharpened. Outside the picture is transparent.
game_icon::Image resampleSquare(const Tim2Picture& picture, const CropBox& box, std::int32_t size);

}  // namespace myr::art
