#pragma once

// The raw 8 MB PS2 memory card image: 16384 pages of 512 data bytes and 16 spare
// (error-correction) bytes; a cluster is two consecutive pages. Values are little-endian.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace myr::saves::card {

inline constexpr std::size_t kPageDataBytes = 512;
inline constexpr std::size_t kPageBytes = 528;
inline constexpr std::size_t kPageCount = 16384;
inline constexpr std::size_t kImageBytes = kPageBytes * kPageCount;  // 8650752
inline constexpr std::size_t kClusterDataBytes = 2 * kPageDataBytes;
inline constexpr std::uint32_t kMaxClusters = 8192;
inline constexpr std::size_t kEntryBytes = 512;

inline constexpr std::string_view kMagic = "Sony PS2 Memory Card Format ";

// Directory entry mode bits.
inline constexpr std::uint16_t kModeExists = 0x8000;
inline constexpr std::uint16_t kModeFolder = 0x0020;

// FAT entries: bit 31 marks a cluster in use; the low bits name the next one or end the chain.
inline constexpr std::uint32_t kFatInUse = 0x80000000;
inline constexpr std::uint32_t kFatNextMask = 0x7FFFFFFF;
inline constexpr std::uint32_t kFatChainEnd = 0x7FFFFFFF;

// Where data byte `offset` (0..1023) of absolute cluster `cluster` lies in the image.
inline constexpr std::size_t clusterByteOffset(std::size_t cluster, std::size_t offset) {
  return (2 * cluster + offset / kPageDataBytes) * kPageBytes + offset % kPageDataBytes;
}

}  // namespace myr::saves::card
