#pragma once

// Finds one file in the root folder of a volume read from a stream: enough for the game art,
// which sits in a container on the disc. Names compare without regard to ASCII letter case.

#include <cstdint>
#include <filesystem>
#include <istream>
#include <string_view>

#include "foundation/error.h"

namespace myr::disc {

// A file's bytes within the image file.
struct ByteRange {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
};

// The file (never a folder) called name in the root of the volume at base.
Result<ByteRange> findInVolumeRoot(std::istream& stream, std::uint64_t base, std::string_view name);

// A file in the root of the volume inside a container file of the disc's root.
Result<ByteRange> locateNestedFile(const std::filesystem::path& image, std::string_view container,
                                   std::string_view file);

}  // namespace myr::disc
