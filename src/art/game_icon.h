#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace myr::game_icon {

// One square picture of the game's art: size x size RGBA pixels, rows top to bottom,
// colours not premultiplied.
struct Image {
  std::int32_t size = 0;
  std::vector<std::uint8_t> pixels;
};

// The sides of the game art pictures, in the order of the game art list.
inline constexpr std::array<std::int32_t, 9> kSizes = {16, 20, 24, 32, 40, 48, 64, 128, 256};

}  // namespace myr::game_icon
