#pragma once

#include <filesystem>
#include <vector>

#include "art/game_icon.h"

namespace myr::app {

// The game's figure from the art container of the disc image at path; empty for no path and for
// every failure (the window then wears the program's own icon).
std::vector<game_icon::Image> loadArtOfImage(const std::filesystem::path& image);

}  // namespace myr::app
