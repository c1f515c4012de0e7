#pragma once

// The eleven files the game needs unpacked from the disc, each with the SHA-1 digest of the
// supported release, and where each of them lies in a disc image.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "disc/iso9660.h"
#include "foundation/error.h"

namespace myr::disc {

struct GameFile {
  std::string_view name;
  std::string_view sha1;  // 40 lower-case hexadecimal digits
};

inline constexpr std::size_t kGameFileCount = 11;

// In the order the files are copied and put in place: the boot file last, so that its presence
// means all others are there. Generated at configure time from a digest list in sha1sum format.
extern const std::array<GameFile, kGameFileCount> kGameFileTable;

// The container in the disc's root whose volume holds most game files.
inline constexpr std::string_view kDataContainerName = "DATAPAK.CVM";

// Where each file of table lies: the disc's root files, overridden by every file of the data
// container (of two container files with one name, the one whose path sorts last). Keys are
// the plain file names.
Result<IsoIndex> locateGameFiles(ImageBytes& image, std::uint64_t imageSize, std::span<const GameFile> table);

}  // namespace myr::disc
