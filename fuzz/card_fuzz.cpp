// Memory card images: any values in the superblock, the FATs, the directories and icon.sys give
// a summary with consistent numbers and valid UTF-8 text, without reading outside the image.
//
// The image is an 8.25 MB card with a few saves; an input is a list of 8-byte patches (offset
// and little-endian u32 value) over the pages that hold those structures, so that inputs stay
// small and runs fast. The mutator writes values that matter to the reader into the fields it
// reads, so that runs reach deep into the folders.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "../tests/saves/card_test_support.h"
#include "foundation/files/utf8.h"
#include "fuzz_check.h"
#include "saves/card_image.h"
#include "saves/card_layout.h"

namespace {

using myr::saves::test::TestCard;
namespace card = myr::saves::card;

// Superblock, indirect FAT, FAT and the clusters of the saves below.
constexpr std::size_t kWindowBytes = 192 * card::kPageBytes;

TestCard makeBase() {
  using myr::saves::test::iconSys;
  const std::string title = "\x83\x7E\x83\x8D\x81\x5B\x83\x45\x83\x46\x83\x93\x82\x72\x82\x60";
  return TestCard({
      {"BISLPM-65001MYR00",
       {{"icon.sys", iconSys(title, 12)}, {"MYR00", std::string(5000, 'a')}},
       {2024, 3, 15, 21, 4, 5}},
      {"BISLPM-65001MYR01", {{"icon.sys", iconSys(title, 0)}, {"A", "1"}, {"B", std::string(2048, 'b')}}, {}},
      {"BISLPM-65001MYR02", {}, {2200, 12, 31, 23, 59, 59}},
      {"BISLPM-65001MYR03", {{"icon.sys", iconSys(title, 100, "PS2X")}}, {}},
  });
}

TestCard& base() {
  static TestCard card = makeBase();
  return card;
}

// Decodes pairs of bytes as UTF-16 code units, lone surrogates included.
myr::saves::CardText fuzzText() {
  myr::saves::CardText text = myr::saves::test::standInCardText();
  text.decodeShiftJis = [](std::string_view bytes) {
    std::u16string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      out +=
          static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    return out;
  };
  return text;
}

void checkSummary(const myr::saves::CardSummary& summary) {
  fuzzCheck(summary.freeBytes <= summary.capacityBytes);
  fuzzCheck(summary.capacityBytes <= std::uint64_t{card::kMaxClusters} * card::kClusterDataBytes);
  fuzzCheck(!summary.blank || (!summary.formatted && summary.error.empty()));
  fuzzCheck(summary.formatted || (summary.saves.empty() && summary.capacityBytes == 0));
  fuzzCheck(summary.saves.size() <= 4096);
  for (const myr::saves::CardSave& save : summary.saves) {
    fuzzCheck(myr::isUtf8(save.folder) && myr::isUtf8(save.title) && myr::isUtf8(save.subtitle));
    fuzzCheck(save.modified.empty() || save.modified.size() == 25);
  }
}

std::uint32_t interestingValue(std::mt19937& random) {
  static constexpr std::uint32_t kValues[] = {
      0,    1,    2,    3,    41,    42,       511,      512,        1024,       4095,       4096,       4097,
      8134, 8135, 8191, 8192, 16384, 0x1FFFFF, 0x200000, 0x7FFFFFFF, 0x80000000, 0x80000001, 0xFFFFFFFF, 0x8000FFFF};
  switch (random() % 3) {
    case 0:
      return kValues[random() % std::size(kValues)];
    case 1:
      return 0x80000000 | (random() % 64);  // a link to a cluster in use
    default:
      return random();
  }
}

void putU32(std::uint8_t* data, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    data[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

// An offset of a field the reader uses, inside the window.
std::size_t structuredOffset(std::mt19937& random) {
  switch (random() % 4) {
    case 0: {  // superblock: sizes, clusters, allocation, root, indirect FAT list
      static constexpr std::size_t kFields[] = {0x28, 0x2A, 0x30, 0x34, 0x38, 0x3C, 0x50, 0x54, 0x58};
      return kFields[random() % std::size(kFields)];
    }
    case 1:  // indirect FAT and FAT entries of the clusters in use
      return random() % 2 ? card::clusterByteOffset(8, 4 * (random() % 4)) : TestCard::fatEntryOffset(random() % 64);
    case 2: {  // directory entries: mode, length, cluster, modified time
      static constexpr std::size_t kFields[] = {0x00, 0x04, 0x10, 0x18, 0x1C, 0x40};
      return TestCard::relativeByteOffset(random() % 40,
                                          (random() % 2) * card::kEntryBytes + kFields[random() % std::size(kFields)]);
    }
    default:  // icon.sys line break and title
      return TestCard::relativeByteOffset(random() % 40, random() % 2 ? 6 : 192 + random() % 64);
  }
}

struct Patch {
  std::size_t offset;
  std::uint32_t value;
};

constexpr std::size_t kPatchBytes = 8;

std::uint32_t u32At(const std::uint8_t* data) {
  return static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
         static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
}

Patch patchAt(const std::uint8_t* data) { return Patch{u32At(data) % (kWindowBytes - 3), u32At(data + 4)}; }

}  // namespace

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                               unsigned int seed) {
  std::mt19937 random(seed);
  size -= size % kPatchBytes;
  const std::size_t patches = size / kPatchBytes;
  switch (random() % 8) {
    case 0:  // any change of the fuzzer's own
      return LLVMFuzzerMutate(data, size, maxSize);
    case 1:  // drop a patch
      if (patches > 0) {
        const std::size_t at = random() % patches * kPatchBytes;
        std::memmove(data + at, data + at + kPatchBytes, size - at - kPatchBytes);
        return size - kPatchBytes;
      }
      break;
    case 2:  // a new value for a patch
      if (patches > 0) {
        putU32(data, random() % patches * kPatchBytes + 4, interestingValue(random));
        return size;
      }
      break;
    default:
      break;
  }
  if (size + kPatchBytes > maxSize) {
    return LLVMFuzzerMutate(data, size, maxSize);
  }
  putU32(data + size, 0, static_cast<std::uint32_t>(structuredOffset(random)));
  putU32(data + size, 4, interestingValue(random));
  return size + kPatchBytes;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const myr::saves::CardText text = fuzzText();
  std::string& image = base().image();
  static const std::string window = image.substr(0, kWindowBytes);
  std::vector<Patch> applied;
  for (std::size_t at = 0; at + kPatchBytes <= size; at += kPatchBytes) {
    const Patch patch = patchAt(data + at);
    putU32(reinterpret_cast<std::uint8_t*>(image.data()), patch.offset, patch.value);
    applied.push_back(patch);
  }
  checkSummary(myr::saves::summarizeCardImage(image, text));
  for (const Patch& patch : applied) {
    std::memcpy(image.data() + patch.offset, window.data() + patch.offset, 4);
  }
  return 0;
}
