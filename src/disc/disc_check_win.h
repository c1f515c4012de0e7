#pragma once

// Which disc image is in use, whether it is a disc of the supported release, and whether its
// game files are already unpacked.

#include <filesystem>
#include <string>

#include "disc/disc_check.h"

namespace myr::disc {

// Where the player named an image: the MYR_ISO environment variable and myr.ini's Game.Iso,
// both UTF-8, empty when not set.
struct ImageSources {
  std::string environment;
  std::string setting;
};

struct ImageLocation {
  std::filesystem::path path;  // empty when there is no image
  std::string source;          // "environment", "myr.ini", "default" or empty
};

// The image in use: MYR_ISO, else myr.ini, else "Myrrowen (USA).iso" in the folder above the
// one that holds the unpacked files. Nothing is checked; the path may name nothing.
ImageLocation defaultImagePath(const ImageSources& sources, const std::filesystem::path& gameFolder);

// start \ disc, or the disc folder of one of start's three nearest ancestors, whichever first
// holds the boot file; empty when none does.
std::filesystem::path findDiscFolder(const std::filesystem::path& start);

// Inspects one file without trusting it; the first problem found is in error.
DiscCheck checkDiscImage(const std::filesystem::path& path);

}  // namespace myr::disc
