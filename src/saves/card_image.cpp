#include "saves/card_image.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

#include "foundation/bytes/byte_reader.h"
#include "saves/card_layout.h"

namespace myr::saves {
namespace {

using namespace card;

constexpr std::uint32_t kMaxFatIndex = 0x1FFFFF;
constexpr std::uint32_t kMaxDirectoryEntries = 4096;
constexpr std::size_t kIconSysReadBytes = 964;
constexpr std::size_t kIconSysTitleOffset = 192;
constexpr std::size_t kIconSysTitleBytes = 68;

// A sane card gathers each of its clusters at most about twice in one summary. Folders that
// share or loop their chains could otherwise multiply the work of 4096 folders of 4096 entries;
// past this budget every further chain reads as damaged.
constexpr std::size_t kClusterReadBudget = 4 * kMaxClusters;

struct Superblock {
  std::uint32_t clusters = 0;
  std::uint32_t allocOffset = 0;
  std::uint32_t allocEnd = 0;
  std::uint32_t rootCluster = 0;
  std::array<std::uint32_t, 32> ifcList{};
};

struct CardEntry {
  std::uint16_t mode = 0;
  std::uint32_t length = 0;
  std::uint32_t cluster = 0;
  std::string name;
  std::string modified;
};

bool isErased(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == '\xFF'; });
}

std::uint32_t u32At(std::string_view bytes, std::size_t offset) {
  ByteReader reader(bytes);
  reader.seek(offset);
  return reader.u32le();
}

// Lookups over one image with its superblock's numbers; every cluster number is checked
// before it is used.
class CardImage {
 public:
  CardImage(std::string_view image, const Superblock& superblock) : image_(image), sb_(superblock) {}

  std::optional<std::uint32_t> fatEntry(std::uint32_t n) const {
    if (n > kMaxFatIndex) {
      return std::nullopt;
    }
    const std::optional<std::uint32_t> fatCluster = word(sb_.ifcList[n >> 16], (n >> 8) & 0xFF);
    if (!fatCluster) {
      return std::nullopt;
    }
    return word(*fatCluster, n & 0xFF);
  }

  // The data of the chain from relative cluster n, cut to wanted bytes; shorter when the chain
  // ends first.
  std::optional<std::string> readChain(std::uint32_t n, std::size_t wanted) {
    std::string gathered;
    for (std::uint64_t step = 0; gathered.size() < wanted; ++step) {
      const std::uint64_t absolute = std::uint64_t{n} + sb_.allocOffset;
      if (step > sb_.clusters || n >= sb_.allocEnd || absolute >= sb_.clusters || clustersLeft_ == 0) {
        return std::nullopt;
      }
      --clustersLeft_;
      appendCluster(static_cast<std::size_t>(absolute), gathered);
      const std::optional<std::uint32_t> entry = fatEntry(n);
      if (!entry || (*entry & kFatInUse) == 0) {
        return std::nullopt;
      }
      if ((*entry & kFatNextMask) == kFatChainEnd) {
        break;
      }
      n = *entry & kFatNextMask;
    }
    if (gathered.size() > wanted) {
      gathered.resize(wanted);
    }
    return gathered;
  }

  // Whole 512-byte entries; a count of 0 is taken from the folder's own "." entry.
  std::optional<std::string> readDirectory(std::uint32_t n, std::uint32_t entryCount) {
    if (entryCount == 0) {
      const std::optional<std::string> head = readChain(n, kClusterDataBytes);
      if (!head || head->size() < kEntryBytes) {
        return std::nullopt;
      }
      entryCount = u32At(*head, 4);
    }
    std::optional<std::string> entries = readChain(n, std::min(entryCount, kMaxDirectoryEntries) * kEntryBytes);
    if (entries) {
      entries->resize(entries->size() / kEntryBytes * kEntryBytes);
    }
    return entries;
  }

 private:
  // The u32 at data byte 4 * index of absolute cluster c.
  std::optional<std::uint32_t> word(std::uint32_t c, std::uint32_t index) const {
    if (c >= sb_.clusters) {
      return std::nullopt;
    }
    ByteReader reader(image_);
    reader.seek(clusterByteOffset(c, 4 * std::size_t{index}));
    const std::uint32_t value = reader.u32le();
    if (reader.failed()) {
      return std::nullopt;
    }
    return value;
  }

  void appendCluster(std::size_t absolute, std::string& out) const {
    for (std::size_t half = 0; half < kClusterDataBytes; half += kPageDataBytes) {
      ByteReader reader(image_);
      reader.seek(clusterByteOffset(absolute, half));
      out += reader.text(kPageDataBytes);
    }
  }

  std::string_view image_;
  Superblock sb_;
  std::size_t clustersLeft_ = kClusterReadBudget;
};

CardEntry parseEntry(std::string_view raw) {
  ByteReader reader(raw);
  CardEntry entry;
  entry.mode = reader.u16le();
  reader.skip(2);
  entry.length = reader.u32le();
  reader.seek(0x10);
  entry.cluster = reader.u32le();
  reader.seek(0x40);
  const std::string_view name = reader.text(32);
  entry.name = std::string(name.substr(0, name.find('\0')));
  entry.modified = cardTimestamp(raw);
  return entry;
}

bool isSaveFolder(const CardEntry& entry) {
  return (entry.mode & (kModeExists | kModeFolder)) == (kModeExists | kModeFolder) && entry.name != "." &&
         entry.name != "..";
}

bool isFile(const CardEntry& entry) { return (entry.mode & (kModeExists | kModeFolder)) == kModeExists; }

void takeTitle(std::string_view iconSys, CardSave& save, const CardText& text) {
  if (iconSys.size() < kIconSysTitleOffset + kIconSysTitleBytes || !iconSys.starts_with("PS2D")) {
    return;
  }
  ByteReader reader(iconSys);
  reader.seek(6);
  const std::uint16_t lineBreak = reader.u16le();
  const std::string_view title = iconSys.substr(kIconSysTitleOffset, kIconSysTitleBytes);
  const std::size_t split = lineBreak == 0 ? title.size() : std::min<std::size_t>(lineBreak, title.size());
  save.title = cardTitleText(title.substr(0, split), text);
  save.subtitle = cardTitleText(title.substr(split), text);
}

CardSave readSave(CardImage& card, const CardEntry& folder, const CardText& text) {
  CardSave save;
  save.folder = text.localText(folder.name);
  save.modified = folder.modified;
  const std::optional<std::string> entries = card.readDirectory(folder.cluster, folder.length);
  if (!entries) {
    return save;
  }
  for (std::size_t at = 0; at < entries->size(); at += kEntryBytes) {
    const CardEntry entry = parseEntry(std::string_view(*entries).substr(at, kEntryBytes));
    if (!isFile(entry)) {
      continue;
    }
    save.bytes += entry.length;
    if (entry.name == "icon.sys") {
      if (const std::optional<std::string> iconSys =
              card.readChain(entry.cluster, std::min<std::size_t>(entry.length, kIconSysReadBytes))) {
        takeTitle(*iconSys, save, text);
      }
    }
  }
  return save;
}

Superblock parseSuperblock(std::string_view page) {
  ByteReader reader(page);
  Superblock sb;
  reader.seek(0x30);
  sb.clusters = std::min(reader.u32le(), kMaxClusters);
  sb.allocOffset = reader.u32le();
  sb.allocEnd = reader.u32le();
  sb.rootCluster = reader.u32le();
  reader.seek(0x50);
  for (std::uint32_t& cluster : sb.ifcList) {
    cluster = reader.u32le();
  }
  return sb;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (isHighSurrogate(c) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
      appendUtf8(out, 0x10000 + ((char32_t{c} - 0xD800) << 10) + (char32_t{text[i + 1]} - 0xDC00));
      ++i;
    } else if (isHighSurrogate(c) || isLowSurrogate(c)) {
      appendUtf8(out, 0xFFFD);
    } else {
      appendUtf8(out, c);
    }
  }
  return out;
}

}  // namespace

std::string cardTimestamp(std::string_view entry) {
  ByteReader reader(entry);
  reader.seek(0x19);
  const unsigned seconds = reader.u8();
  const unsigned minutes = reader.u8();
  const unsigned hours = reader.u8();
  const unsigned day = reader.u8();
  const unsigned month = reader.u8();
  const unsigned year = reader.u16le();
  if (reader.failed() || year < 1990 || year > 2200 || month < 1 || month > 12 || day < 1 || day > 31 || hours > 23 ||
      minutes > 59 || seconds > 59) {
    return {};
  }
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u+09:00", year, month, day, hours, minutes, seconds);
  return text;
}

std::string cardTitleText(std::string_view shiftJis, const CardText& text) {
  shiftJis = shiftJis.substr(0, shiftJis.find('\0'));
  if (shiftJis.empty()) {
    return {};
  }
  std::u16string wide = text.toHalfWidth(text.decodeShiftJis(shiftJis));
  while (!wide.empty() && (wide.back() == u' ' || wide.back() == u'\0')) {
    wide.pop_back();
  }
  return utf16ToUtf8(wide);
}

CardSummary summarizeCardImage(std::string_view image, const CardText& text) {
  CardSummary summary;
  if (image.size() != kImageBytes) {
    summary.error = "not an 8 MB card image (" + std::to_string(image.size()) + " bytes)";
    return summary;
  }
  if (isErased(image.substr(0, kPageBytes))) {
    summary.blank = true;
    return summary;
  }
  const std::string_view page0 = image.substr(0, kPageDataBytes);
  if (!page0.starts_with(kMagic)) {
    summary.error = "not a formatted PS2 memory card";
    return summary;
  }
  ByteReader sizes(page0);
  sizes.seek(0x28);
  const std::uint16_t pageLength = sizes.u16le();
  const std::uint16_t pagesPerCluster = sizes.u16le();
  if (pageLength != kPageDataBytes || pagesPerCluster != 2) {
    summary.error = "unsupported page or cluster size";
    return summary;
  }
  const Superblock sb = parseSuperblock(page0);
  if (sb.allocOffset >= sb.clusters || sb.allocEnd > sb.clusters) {
    summary.error = "damaged superblock";
    return summary;
  }
  summary.formatted = true;
  CardImage card(image, sb);
  const std::uint32_t count = std::min(sb.clusters - sb.allocOffset, sb.allocEnd);
  summary.capacityBytes = std::uint64_t{count} * kClusterDataBytes;
  for (std::uint32_t n = 0; n < count; ++n) {
    const std::optional<std::uint32_t> entry = card.fatEntry(n);
    if (entry && (*entry & kFatInUse) == 0) {
      summary.freeBytes += kClusterDataBytes;
    }
  }
  const std::optional<std::string> root = card.readDirectory(sb.rootCluster, 0);
  if (!root) {
    summary.error = "the root folder cannot be read";
    return summary;
  }
  for (std::size_t at = 0; at < root->size(); at += kEntryBytes) {
    const CardEntry entry = parseEntry(std::string_view(*root).substr(at, kEntryBytes));
    if (isSaveFolder(entry)) {
      summary.saves.push_back(readSave(card, entry, text));
    }
  }
  return summary;
}

}  // namespace myr::saves
