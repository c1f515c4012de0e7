#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/error.h"

namespace myr::browser {

// A PNG file of 8-bit RGB pixels (rows top to bottom), stored without compression:
// the headless page's pictures are flat colour and written once. Refused unless the picture
// has pixels and rgb holds exactly width x height of them.
Result<std::string> encodeRgbPng(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& rgb);
// The same for 8-bit RGBA pixels, colours not premultiplied.
Result<std::string> encodeRgbaPng(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& rgba);

}  // namespace myr::browser
