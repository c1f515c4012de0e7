#include "saves/card_format.h"

#include <cstring>
#include <string_view>

#include "saves/card_layout.h"

namespace myr::saves {
namespace {

using namespace card;
using namespace formatted_card;

constexpr std::uint32_t kFatEntriesPerCluster = 256;
constexpr std::uint32_t kFatInUseChainEnd = 0xFFFFFFFF;
constexpr std::uint32_t kFatFree = 0x7FFFFFFF;

using PageData = std::array<std::uint8_t, kPageDataBytes>;
using ClusterData = std::array<std::uint8_t, kClusterDataBytes>;

constexpr bool oddParity(unsigned value) {
  bool odd = false;
  for (; value != 0; value &= value - 1) {
    odd = !odd;
  }
  return odd;
}

constexpr std::uint8_t kOddByte = 0x80;

// Per byte value: bits 0-2 and 4-6 are the parities of its alternating bits, bit pairs and
// nibbles (the column code); bit 7 tells whether the byte has an odd number of set bits.
constexpr std::array<std::uint8_t, 256> byteCodes() {
  std::array<std::uint8_t, 256> codes{};
  constexpr unsigned kGroups[] = {0x55, 0x33, 0x0F, 0, 0xAA, 0xCC, 0xF0, 0xFF};
  for (unsigned b = 0; b < 256; ++b) {
    for (unsigned bit = 0; bit < 8; ++bit) {
      if (kGroups[bit] != 0 && oddParity(b & kGroups[bit])) {
        codes[b] = static_cast<std::uint8_t>(codes[b] | 1u << bit);
      }
    }
  }
  return codes;
}

void putU16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value) {
  bytes[offset] = static_cast<std::uint8_t>(value);
  bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void putU32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

void putText(std::span<std::uint8_t> bytes, std::size_t offset, std::string_view text) {
  std::memcpy(bytes.data() + offset, text.data(), text.size());
}

void putPage(std::string& image, std::size_t page, std::span<const std::uint8_t, kPageDataBytes> data) {
  char* const at = image.data() + page * kPageBytes;
  std::memcpy(at, data.data(), data.size());
  for (std::size_t quarter = 0; quarter < 4; ++quarter) {
    const std::array<std::uint8_t, 3> code = cardQuarterCode(data.subspan(quarter * 128).first<128>());
    std::memcpy(at + kPageDataBytes + 3 * quarter, code.data(), code.size());
  }
  std::memset(at + kPageDataBytes + 12, 0, 4);
}

void putCluster(std::string& image, std::size_t cluster, const ClusterData& data) {
  const std::span<const std::uint8_t, kClusterDataBytes> bytes(data);
  putPage(image, 2 * cluster, bytes.first<kPageDataBytes>());
  putPage(image, 2 * cluster + 1, bytes.last<kPageDataBytes>());
}

PageData superblock() {
  PageData page{};
  putText(page, 0x000, kMagic);
  putText(page, 0x01C, "1.2.0.0");
  putU16(page, 0x028, kPageDataBytes);
  putU16(page, 0x02A, 2);
  putU16(page, 0x02C, 16);
  putU16(page, 0x02E, 0xFF00);
  putU32(page, 0x030, kMaxClusters);
  putU32(page, 0x034, kAllocOffset);
  putU32(page, 0x038, kAllocEnd);
  putU32(page, 0x03C, 0);
  putU32(page, 0x040, 1023);
  putU32(page, 0x044, 1022);
  putU32(page, 0x050, kIndirectFatCluster);
  std::memset(page.data() + 0x0D0, 0xFF, 0x150 - 0x0D0);
  page[0x150] = 2;
  page[0x151] = 0x52;
  std::memset(page.data() + 0x154, 0xFF, kPageDataBytes - 0x154);
  return page;
}

ClusterData indirectFat() {
  ClusterData cluster;
  cluster.fill(0xFF);
  for (std::uint32_t i = 0; i < kFatClusters; ++i) {
    putU32(cluster, 4 * i, kFirstFatCluster + i);
  }
  return cluster;
}

ClusterData fatCluster(std::uint32_t index) {
  ClusterData cluster;
  for (std::uint32_t i = 0; i < kFatEntriesPerCluster; ++i) {
    const std::uint32_t n = index * kFatEntriesPerCluster + i;
    putU32(cluster, 4 * i, n == 0 || n >= kAllocEnd ? kFatInUseChainEnd : kFatFree);
  }
  return cluster;
}

void putTime(std::span<std::uint8_t> entry, std::size_t offset, const std::tm& time) {
  entry[offset] = 0;
  entry[offset + 1] = static_cast<std::uint8_t>(time.tm_sec);
  entry[offset + 2] = static_cast<std::uint8_t>(time.tm_min);
  entry[offset + 3] = static_cast<std::uint8_t>(time.tm_hour);
  entry[offset + 4] = static_cast<std::uint8_t>(time.tm_mday);
  entry[offset + 5] = static_cast<std::uint8_t>(time.tm_mon + 1);
  putU16(entry, offset + 6, static_cast<std::uint16_t>(time.tm_year + 1900));
}

void putEntry(std::span<std::uint8_t> entry, std::uint16_t mode, std::uint32_t length, const std::tm& time,
              std::string_view name) {
  putU16(entry, 0x00, mode);
  putU32(entry, 0x04, length);
  putTime(entry, 0x08, time);
  putU32(entry, 0x10, 0);
  putTime(entry, 0x18, time);
  putText(entry, 0x40, name);
}

ClusterData rootFolder(const std::tm& time) {
  ClusterData cluster{};
  const std::span<std::uint8_t> bytes(cluster);
  putEntry(bytes.subspan(0, kEntryBytes), 0x8427, 2, time, ".");
  putEntry(bytes.subspan(kEntryBytes, kEntryBytes), 0xA426, 0, time, "..");
  return cluster;
}

}  // namespace

std::array<std::uint8_t, 3> cardQuarterCode(std::span<const std::uint8_t, 128> quarter) {
  static constexpr std::array<std::uint8_t, 256> kByteCodes = byteCodes();
  std::uint8_t column = 0x77;
  std::uint8_t line0 = 0x7F;
  std::uint8_t line1 = 0x7F;
  for (std::size_t i = 0; i < quarter.size(); ++i) {
    const std::uint8_t code = kByteCodes[quarter[i]];
    column ^= code;
    if (code & kOddByte) {
      line0 ^= static_cast<std::uint8_t>(i ^ 0x7F);
      line1 ^= static_cast<std::uint8_t>(i);
    }
  }
  return {static_cast<std::uint8_t>(column & 0x77), line0, line1};
}

std::string buildFormattedCard(const std::tm& localTime) {
  std::string image(kImageBytes, '\xFF');
  putPage(image, 0, superblock());
  putCluster(image, kIndirectFatCluster, indirectFat());
  for (std::uint32_t i = 0; i < kFatClusters; ++i) {
    putCluster(image, kFirstFatCluster + i, fatCluster(i));
  }
  putCluster(image, kAllocOffset, rootFolder(localTime));
  return image;
}

}  // namespace myr::saves
