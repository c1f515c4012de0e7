#include "saves/backup_names.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>

#include "foundation/files/ascii_text.h"
#include "foundation/files/file_names.h"
#include "foundation/files/utf8.h"
#include "saves/save_names.h"

namespace myr::saves {
namespace {

constexpr std::string_view kStampForm = "DDDD-DD-DD_DD-DD-DD";
constexpr std::size_t kLongestSetName = 48;
constexpr std::size_t kDigestDigits = 64;

bool isLowerHexDigit(char c) { return isAsciiDigit(c) || (c >= 'a' && c <= 'f'); }

bool isSetNameTail(char c) { return isAsciiDigit(c) || (c >= 'a' && c <= 'z') || c == '-'; }

std::vector<std::string_view> splitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = path.find('/', start);
    parts.push_back(path.substr(start, end - start));
    if (end == std::string_view::npos) {
      return parts;
    }
    start = end + 1;
  }
}

// "<64 lower-case hex digits> <blank or *><path>"; the path is checked separately.
bool hasDigestAndSeparator(std::string_view line) {
  if (line.size() < kDigestDigits + 3) {
    return false;
  }
  for (std::size_t i = 0; i < kDigestDigits; ++i) {
    if (!isLowerHexDigit(line[i])) {
      return false;
    }
  }
  return line[kDigestDigits] == ' ' && (line[kDigestDigits + 1] == ' ' || line[kDigestDigits + 1] == '*');
}

std::string lineError(std::size_t number, std::string_view what) {
  return "manifest.sha256 line " + std::to_string(number) + " " + std::string(what);
}

}  // namespace

bool isBackupSetName(std::string_view name) {
  if (name.size() < kStampForm.size() || name.size() > kLongestSetName) {
    return false;
  }
  for (std::size_t i = 0; i < kStampForm.size(); ++i) {
    if (kStampForm[i] == 'D' ? !isAsciiDigit(name[i]) : name[i] != kStampForm[i]) {
      return false;
    }
  }
  const std::string_view tail = name.substr(kStampForm.size());
  if (tail.empty()) {
    return true;
  }
  return tail.front() == '_' && std::all_of(tail.begin() + 1, tail.end(), [](char c) { return isSetNameTail(c); });
}

bool isAfterPlaySetName(std::string_view name) {
  if (!isBackupSetName(name)) return false;
  const std::string_view tail = name.substr(kStampForm.size());
  if (!tail.starts_with(kAfterPlaySuffix)) return false;
  const std::string_view counter = tail.substr(kAfterPlaySuffix.size());
  // backupSetName's counter: "-" and two or more digits.
  return counter.empty() || (counter.size() >= 3 && counter.front() == '-' &&
                             std::all_of(counter.begin() + 1, counter.end(), [](char c) { return isAsciiDigit(c); }));
}

std::vector<std::string> afterPlaySetsNewestFirst(std::vector<std::string> names) {
  std::erase_if(names, [](const std::string& name) { return !isAfterPlaySetName(name); });
  // The stamp and then the counter sort by age: the greatest name is the newest set.
  std::sort(names.begin(), names.end(), std::greater<>());
  return names;
}

std::string backupStamp(const std::tm& localTime) {
  char text[64];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u_%02u-%02u-%02u", static_cast<unsigned>(localTime.tm_year + 1900),
                static_cast<unsigned>(localTime.tm_mon + 1), static_cast<unsigned>(localTime.tm_mday),
                static_cast<unsigned>(localTime.tm_hour), static_cast<unsigned>(localTime.tm_min),
                static_cast<unsigned>(localTime.tm_sec));
  return text;
}

std::string backupSetName(std::string_view base, int attempt) {
  if (attempt <= 1) {
    return std::string(base);
  }
  // After the bare stamp only "_" keeps the name a set name; after a suffix "-" reads better.
  char counter[16];
  std::snprintf(counter, sizeof counter, "%c%02d", base.size() == kStampForm.size() ? '_' : '-', attempt);
  return std::string(base) + counter;
}

bool isManifestPath(std::string_view path) {
  if (!isUtf8(path)) {
    return false;
  }
  const std::vector<std::string_view> parts = splitPath(path);
  if (parts.size() < 2 || isTemporaryName(parts.back()) ||
      !std::all_of(parts.begin(), parts.end(), [](std::string_view part) { return isSafeFileName(part); })) {
    return false;
  }
  if (parts[0] == "savedata") {
    return parts.size() == 3 && parts[1] == "QXUS-40404" && isSaveDataFileName(parts[2]);
  }
  if (parts[0] == "memcards") {
    return parts.size() <= 5;
  }
  if (parts[0] == "states") {
    return parts.size() == 2 && isStateFileName(parts[1]);
  }
  return false;
}

Result<std::vector<ManifestEntry>> parseManifest(std::string_view text) {
  std::vector<ManifestEntry> entries;
  // Windows compares names without regard to case: one file listed twice would be staged twice.
  std::set<std::string> seen;
  std::size_t number = 1;
  for (std::size_t start = 0; start <= text.size(); ++number) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      end = text.size();
    }
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (line.ends_with('\r')) {
      line.remove_suffix(1);
    }
    if (line.empty()) {
      continue;
    }
    if (!hasDigestAndSeparator(line) || !isManifestPath(line.substr(kDigestDigits + 2))) {
      return Error{lineError(number, "is not a save file of this port")};
    }
    const std::string_view path = line.substr(kDigestDigits + 2);
    if (!seen.insert(lowerAscii(path)).second) {
      return Error{lineError(number, "lists a file of an earlier line again")};
    }
    if (entries.size() == kMaxSetFiles) {
      return Error{"manifest.sha256 lists too many files"};
    }
    entries.push_back(ManifestEntry{std::string(path), std::string(line.substr(0, kDigestDigits))});
  }
  if (entries.empty()) {
    return Error{"manifest.sha256 lists no files"};
  }
  return entries;
}

std::string manifestLine(std::string_view sha256, std::string_view path) {
  return std::string(sha256) + "  " + std::string(path) + "\n";
}

}  // namespace myr::saves
