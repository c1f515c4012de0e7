#pragma once

// Shared by the card tests, the card fuzz target and the card benchmark: a stand-in for the
// system's code page 932 conversion, and a small writer of cards with saves built on a freshly
// formatted image. The writer leaves the spare bytes of the pages it changes as they were: the
// reader does not use them.

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "saves/card_image.h"

namespace myr::saves::test {

// Shift-JIS for ASCII, the full-width blank, Latin letters and digits, hiragana, katakana, the
// long vowel mark and the middle dot; anything else becomes U+FFFD. The half-width mapping
// makes full-width ASCII forms and the ideographic blank ASCII; names read as Latin-1.
CardText standInCardText();

// A broken-down time from its calendar numbers (month 1 to 12).
std::tm brokenDownTime(int year, int month, int day, int hours, int minutes, int seconds);

// The local time the formatted cards of the tests carry: 2024-05-06 07:08:09.
std::tm formatTime();

struct CardTime {
  unsigned year = 2024, month = 1, day = 1, hours = 0, minutes = 0, seconds = 0;
};

struct TestFile {
  std::string name;
  std::string data;
};

struct TestSave {
  std::string folder;
  std::vector<TestFile> files;
  CardTime modified;
};

// A formatted card with saves in the root; clusters are handed out in order from relative
// cluster 1, the root's chain grows as needed.
class TestCard {
 public:
  TestCard();
  explicit TestCard(const std::vector<TestSave>& saves);

  std::string& image() { return image_; }

  // Where data byte `offset` of relative cluster n lies in the image.
  static std::size_t relativeByteOffset(std::uint32_t n, std::size_t offset);
  // Where FAT entry n of a card with the formatted layout lies in the image.
  static std::size_t fatEntryOffset(std::uint32_t n);

  void setFat(std::uint32_t n, std::uint32_t value);
  void putU32(std::size_t offset, std::uint32_t value);
  void putU16(std::size_t offset, std::uint16_t value);

  // Relative cluster of the directory of save i, and of its root entry.
  std::uint32_t folderCluster(std::size_t save) const { return folderClusters_.at(save); }
  std::size_t rootEntryOffset(std::size_t index) const;

 private:
  std::uint32_t allocate(std::string_view data);

  std::string image_;
  std::uint32_t nextFree_ = 0;
  std::vector<std::uint32_t> rootChain_;
  std::vector<std::uint32_t> folderClusters_;
};

// 512 bytes of a directory entry.
std::string directoryEntry(std::uint16_t mode, std::uint32_t length, std::uint32_t cluster, std::string_view name,
                           const CardTime& modified);

// An icon.sys of 964 bytes with the 68-byte title and its line break.
std::string iconSys(std::string_view shiftJisTitle, std::uint16_t lineBreak, std::string_view magic = "PS2D");

}  // namespace myr::saves::test
