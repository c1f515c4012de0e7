#pragma once

// A freshly formatted, empty 8 MB PS2 memory card image, byte for byte.

#include <array>
#include <cstdint>
#include <ctime>
#include <span>
#include <string>

namespace myr::saves {

// Where a freshly formatted card keeps its structures (cluster numbers are absolute).
namespace formatted_card {
inline constexpr std::uint32_t kIndirectFatCluster = 8;
inline constexpr std::uint32_t kFirstFatCluster = 9;
inline constexpr std::uint32_t kFatClusters = 32;
// Relative cluster 0, the root folder.
inline constexpr std::uint32_t kAllocOffset = 41;
// Allocatable clusters.
inline constexpr std::uint32_t kAllocEnd = 8135;
}  // namespace formatted_card

// The whole image (8650752 bytes): superblock, indirect FAT, FAT and root folder, each written
// page with its error-correction bytes; every other byte erased (0xFF). The root folder's times
// are localTime's fields as they stand.
std::string buildFormattedCard(const std::tm& localTime);

// The error-correction code of one 128-byte quarter of a page.
std::array<std::uint8_t, 3> cardQuarterCode(std::span<const std::uint8_t, 128> quarter);

}  // namespace myr::saves
