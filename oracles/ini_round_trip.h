#pragma once

// What writing one entry into any myr.ini text may change, judged by a reading of the file rules
// of its own: the lines of the entry's key in its section give way to one new line in the
// section's first block (or a new section at the end), endings become CR LF, leading byte order
// marks go, and a second identical write changes nothing. Shared by the generated-text test and
// the fuzz target, so it lives outside both.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ini_text.h"

namespace myr::ini_round_trip {

using settings::applySettingEntries;
using settings::IniDocument;
using settings::readSettingsText;
using settings::SettingEntry;

inline std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

inline std::optional<std::string_view> sectionOf(std::string_view line) {
  const std::string_view text = trimmed(line);
  if (text.size() < 2 || text.front() != '[' || text.back() != ']' ||
      trimmed(text.substr(1, text.size() - 2)).empty()) {
    return std::nullopt;
  }
  return trimmed(text.substr(1, text.size() - 2));
}

inline bool setsKey(std::string_view line, std::string_view key) {
  const std::string_view text = trimmed(line);
  const std::size_t equals = line.find('=');
  return !text.empty() && text.front() != ';' && text.front() != '#' && equals != std::string_view::npos &&
         trimmed(line.substr(0, equals)) == key;
}

// The lines of a file as read: leading marks gone, split at LF, one CR before it dropped.
inline std::vector<std::string> linesOf(std::string_view bytes) {
  while (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    bytes.remove_prefix(3);
  }
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) {
      end = bytes.size();
    }
    std::string line(bytes.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// Every LF follows a CR, the text ends in CR LF and does not begin with a mark.
inline bool isWrittenForm(const std::string& text) {
  if (text.size() < 2 || !text.ends_with("\r\n") || text.starts_with("\xEF\xBB\xBF")) {
    return false;
  }
  for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
    if (at == 0 || text[at - 1] != '\r') {
      return false;
    }
  }
  return true;
}

struct Walk {
  std::vector<std::string> others;           // every line but the key's lines in the section
  std::vector<std::string> keyLines;         // the key's lines in the section, in order
  std::optional<std::size_t> firstKeyAt;     // in others, where the first block's first key line stood
  std::optional<std::size_t> firstKeyIndex;  // in the lines
  std::size_t keyLinesInFirstBlock = 0;
};

inline Walk walk(const std::vector<std::string>& lines, const SettingEntry& entry) {
  Walk result;
  std::string current;
  int blocksSeen = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (const auto name = sectionOf(line)) {
      current = *name;
      blocksSeen += current == entry.section ? 1 : 0;
    } else if (current == entry.section && setsKey(line, entry.key)) {
      if (blocksSeen == 1 && result.keyLinesInFirstBlock++ == 0) {
        result.firstKeyAt = result.others.size();
        result.firstKeyIndex = i;
      }
      result.keyLines.push_back(line);
      continue;
    }
    result.others.push_back(line);
  }
  return result;
}

// Empty when the write behaves, else what went wrong.
inline std::string writeFault(std::string_view text, const SettingEntry& entry) {
  const std::string once = applySettingEntries(text, {entry});
  if (applySettingEntries(once, {entry}) != once) {
    return "a second identical write changed the text";
  }
  if (!isWrittenForm(once)) {
    return "the written text does not end every line with CR LF or begins with a mark";
  }
  const std::vector<std::string> before = linesOf(text);
  const std::vector<std::string> after = linesOf(once);
  const std::string newLine = entry.key + "=" + entry.value;

  bool hadSection = false;
  for (const std::string& line : before) {
    hadSection = hadSection || sectionOf(line) == std::string_view(entry.section);
  }
  if (!hadSection) {
    std::vector<std::string> expected = before;
    if (!expected.empty() && !trimmed(expected.back()).empty()) {
      expected.emplace_back();
    }
    expected.push_back("[" + entry.section + "]");
    expected.push_back(newLine);
    return after == expected ? "" : "the new section was not appended below the old lines";
  }

  const Walk old = walk(before, entry);
  const Walk now = walk(after, entry);
  if (now.keyLines != std::vector<std::string>{newLine} || now.keyLinesInFirstBlock != 1) {
    return "the section does not hold exactly the new line, in its first block";
  }
  if (now.others != old.others) {
    return "a line other than the key's lines changed";
  }
  if (old.firstKeyAt && now.firstKeyAt != old.firstKeyAt) {
    return "the new line did not take the place of the key's first line";
  }
  if (!old.firstKeyAt) {
    const std::size_t at = *now.firstKeyIndex;
    if (trimmed(after[at - 1]).empty()) {
      return "the new line does not follow the block's last non-blank line";
    }
    for (std::size_t i = at + 1; i < after.size() && !sectionOf(after[i]); ++i) {
      if (!trimmed(after[i]).empty()) {
        return "the new line was inserted above other lines of its block";
      }
    }
  }
  IniDocument document;
  readSettingsText(once, document);
  if (document.get(entry.section, entry.key, "\n") != trimmed(entry.value)) {
    return "the value read back is not the value written";
  }
  return {};
}

}  // namespace myr::ini_round_trip
