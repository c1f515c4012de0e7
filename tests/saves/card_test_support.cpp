#include "card_test_support.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "saves/card_format.h"
#include "saves/card_layout.h"

namespace myr::saves::test {
namespace {

using namespace card;
using namespace formatted_card;

constexpr std::uint32_t kChainEnd = 0xFFFFFFFF;
constexpr std::uint16_t kFileMode = 0x8497;
constexpr std::uint16_t kFolderMode = 0x8427;
constexpr std::uint16_t kParentMode = 0xA426;

char16_t shiftJisPair(unsigned lead, unsigned trail) {
  const unsigned code = lead << 8 | trail;
  struct Range {
    unsigned first, last;
    char16_t to;
  };
  static constexpr Range kRanges[] = {
      {0x8140, 0x8140, u'\u3000'}, {0x8145, 0x8145, u'\u30FB'}, {0x815B, 0x815B, u'\u30FC'},
      {0x824F, 0x8258, u'\uFF10'}, {0x8260, 0x8279, u'\uFF21'}, {0x8281, 0x829A, u'\uFF41'},
      {0x829F, 0x82F1, u'\u3041'}, {0x8340, 0x837E, u'\u30A1'}, {0x8380, 0x8396, u'\u30E0'},
  };
  for (const Range& range : kRanges) {
    if (code >= range.first && code <= range.last) {
      return static_cast<char16_t>(range.to + (code - range.first));
    }
  }
  return u'\uFFFD';
}

bool isLeadByte(unsigned byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

std::u16string decodeShiftJis(std::string_view bytes) {
  std::u16string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const unsigned byte = static_cast<unsigned char>(bytes[i]);
    if (isLeadByte(byte) && i + 1 < bytes.size()) {
      text += shiftJisPair(byte, static_cast<unsigned char>(bytes[++i]));
    } else {
      text += byte < 0x80 ? static_cast<char16_t>(byte) : u'\uFFFD';
    }
  }
  return text;
}

std::u16string toHalfWidth(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c >= 0xFF01 && c <= 0xFF5E) {
      c = static_cast<char16_t>(c - 0xFEE0);
    } else if (c == 0x3000) {
      c = u' ';
    }
  }
  return out;
}

std::string latin1ToUtf8(std::string_view bytes) {
  std::string out;
  for (const char c : bytes) {
    const unsigned byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | byte >> 6);
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

void putU16At(std::string& bytes, std::size_t offset, std::uint16_t value) {
  bytes[offset] = static_cast<char>(value);
  bytes[offset + 1] = static_cast<char>(value >> 8);
}

void putU32At(std::string& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    bytes[offset + i] = static_cast<char>(value >> (8 * i));
  }
}

void putTime(std::string& entry, std::size_t offset, const CardTime& time) {
  entry[offset] = 0;
  entry[offset + 1] = static_cast<char>(time.seconds);
  entry[offset + 2] = static_cast<char>(time.minutes);
  entry[offset + 3] = static_cast<char>(time.hours);
  entry[offset + 4] = static_cast<char>(time.day);
  entry[offset + 5] = static_cast<char>(time.month);
  putU16At(entry, offset + 6, static_cast<std::uint16_t>(time.year));
}

}  // namespace

CardText standInCardText() { return CardText{decodeShiftJis, toHalfWidth, latin1ToUtf8}; }

std::tm brokenDownTime(int year, int month, int day, int hours, int minutes, int seconds) {
  std::tm time{};
  time.tm_year = year - 1900;
  time.tm_mon = month - 1;
  time.tm_mday = day;
  time.tm_hour = hours;
  time.tm_min = minutes;
  time.tm_sec = seconds;
  return time;
}

std::tm formatTime() { return brokenDownTime(2024, 5, 6, 7, 8, 9); }

std::string directoryEntry(std::uint16_t mode, std::uint32_t length, std::uint32_t cluster, std::string_view name,
                           const CardTime& modified) {
  std::string entry(kEntryBytes, '\0');
  putU16At(entry, 0x00, mode);
  putU32At(entry, 0x04, length);
  putTime(entry, 0x08, modified);
  putU32At(entry, 0x10, cluster);
  putTime(entry, 0x18, modified);
  entry.replace(0x40, std::min<std::size_t>(name.size(), 32), name.substr(0, 32));
  return entry;
}

std::string iconSys(std::string_view shiftJisTitle, std::uint16_t lineBreak, std::string_view magic) {
  std::string data(964, '\0');
  data.replace(0, magic.size(), magic);
  putU16At(data, 6, lineBreak);
  data.replace(192, std::min<std::size_t>(shiftJisTitle.size(), 68), shiftJisTitle.substr(0, 68));
  return data;
}

TestCard::TestCard() : image_(buildFormattedCard(formatTime())), nextFree_(1), rootChain_{0} {}

TestCard::TestCard(const std::vector<TestSave>& saves) : TestCard() {
  std::string root = directoryEntry(kFolderMode, static_cast<std::uint32_t>(saves.size() + 2), 0, ".", {}) +
                     directoryEntry(kParentMode, 0, 0, "..", {});
  for (const TestSave& save : saves) {
    std::string folder;
    for (const TestFile& file : save.files) {
      folder +=
          directoryEntry(kFileMode, static_cast<std::uint32_t>(file.data.size()), allocate(file.data), file.name, {});
    }
    const std::uint32_t count = static_cast<std::uint32_t>(save.files.size() + 2);
    folder = directoryEntry(kFolderMode, count, 0, ".", save.modified) + directoryEntry(kParentMode, 0, 0, "..", {}) +
             folder;
    const std::uint32_t cluster = allocate(folder);
    folderClusters_.push_back(cluster);
    root += directoryEntry(kFolderMode, count, cluster, save.folder, save.modified);
  }
  // The root keeps relative cluster 0 and continues in fresh clusters.
  const std::size_t rootClusters = (root.size() + kClusterDataBytes - 1) / kClusterDataBytes;
  root.resize(rootClusters * kClusterDataBytes, '\0');
  for (std::size_t i = 1; i < rootClusters; ++i) {
    rootChain_.push_back(nextFree_++);
  }
  for (std::size_t i = 0; i < rootChain_.size(); ++i) {
    const std::uint32_t n = rootChain_[i];
    setFat(n, i + 1 < rootChain_.size() ? (0x80000000 | rootChain_[i + 1]) : kChainEnd);
    for (std::size_t b = 0; b < kClusterDataBytes; b += kPageDataBytes) {
      image_.replace(relativeByteOffset(n, b), kPageDataBytes, root, i * kClusterDataBytes + b, kPageDataBytes);
    }
  }
}

std::size_t TestCard::relativeByteOffset(std::uint32_t n, std::size_t offset) {
  return clusterByteOffset(kAllocOffset + n, offset);
}

std::size_t TestCard::fatEntryOffset(std::uint32_t n) {
  return clusterByteOffset(kFirstFatCluster + n / 256, 4 * (n % 256));
}

std::size_t TestCard::rootEntryOffset(std::size_t index) const {
  return relativeByteOffset(rootChain_.at(index / 2), index % 2 * kEntryBytes);
}

void TestCard::setFat(std::uint32_t n, std::uint32_t value) { putU32(fatEntryOffset(n), value); }

void TestCard::putU32(std::size_t offset, std::uint32_t value) { putU32At(image_, offset, value); }

void TestCard::putU16(std::size_t offset, std::uint16_t value) { putU16At(image_, offset, value); }

std::uint32_t TestCard::allocate(std::string_view data) {
  const std::size_t count = std::max<std::size_t>(1, (data.size() + kClusterDataBytes - 1) / kClusterDataBytes);
  const std::uint32_t first = nextFree_;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t n = nextFree_++;
    if (n >= kAllocEnd) {
      throw std::length_error("the test card is full");
    }
    setFat(n, i + 1 < count ? (0x80000000 | (n + 1)) : kChainEnd);
    for (std::size_t b = 0; b < kClusterDataBytes; b += kPageDataBytes) {
      const std::size_t at = i * kClusterDataBytes + b;
      std::string page(kPageDataBytes, '\0');
      if (at < data.size()) {
        page.replace(0, std::min(kPageDataBytes, data.size() - at), data.substr(at, kPageDataBytes));
      }
      image_.replace(relativeByteOffset(n, b), kPageDataBytes, page);
    }
  }
  return first;
}

}  // namespace myr::saves::test
