#pragma once

#include <cstdint>
#include <vector>

namespace myr::game_icon {

// One square picture of the game's art: size x size RGBA pixels, rows top to bottom,
// colours not premultiplied.
struct Image {
  std::int32_t size = 0;
  std::vector<std::uint8_t> pixels;
};

}  // namespace myr::game_icon
