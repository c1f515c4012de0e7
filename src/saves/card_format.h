#pragma once

// A freshly formatted, empty 8 MB PS2 memory card image, byte for byte.

#include <array>
#include <cstdint>
#include <ctime>
#include <span>
#include <string>

namespace myr::saves {

// The whole image (8650752 bytes): superblock, indirect FAT, FAT and root folder, each written
// page with its error-correction bytes; every other byte erased (0xFF). The root folder's times
// are localTime's fields as they stand.
std::string buildFormattedCard(const std::tm& localTime);

// The error-correction code of one 128-byte quarter of a page.
std::array<std::uint8_t, 3> cardQuarterCode(std::span<const std::uint8_t, 128> quarter);

}  // namespace myr::saves
