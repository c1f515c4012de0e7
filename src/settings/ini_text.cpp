#include "settings/ini_text.h"

#include "foundation/files/ascii_text.h"
#include "settings/schema.h"

namespace myr::settings {
namespace {

constexpr std::size_t kQuotedValueBytes = 80;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kHeaderLines[] = {
    "; Myrrowen (PC port): settings for myr.exe, written by myr_launcher.exe.",
    "; myr.exe reads this file when it starts. An environment variable of the same setting wins."};

bool isBlankLine(std::string_view line) { return trimBlanks(line).empty(); }

// The section a line opens, or nothing; brackets around only blanks open no section.
std::optional<std::string_view> headerName(std::string_view line) {
  const std::string_view text = trimBlanks(line);
  if (text.size() < 2 || text.front() != '[' || text.back() != ']') {
    return std::nullopt;
  }
  const std::string_view name = trimBlanks(text.substr(1, text.size() - 2));
  if (name.empty()) {
    return std::nullopt;
  }
  return name;
}

struct KeyLine {
  std::string_view key;
  std::string_view value;
};

// A setting line: comments, lines without "=" and lines with an empty key carry none.
std::optional<KeyLine> keyLine(std::string_view line) {
  const std::string_view text = trimBlanks(line);
  if (text.empty() || text.front() == ';' || text.front() == '#') {
    return std::nullopt;
  }
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) {
    return std::nullopt;
  }
  const std::string_view key = trimBlanks(line.substr(0, equals));
  if (key.empty()) {
    return std::nullopt;
  }
  return KeyLine{key, trimBlanks(line.substr(equals + 1))};
}

std::string quoted(std::string_view section, std::string_view key, std::string_view value) {
  return std::string(section) + "." + std::string(key) + "=" + std::string(value.substr(0, kQuotedValueBytes));
}

std::optional<std::size_t> findHeader(const std::vector<std::string>& lines, std::string_view section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (headerName(lines[i]) == section) {
      return i;
    }
  }
  return std::nullopt;
}

bool setsKey(std::string_view line, std::string_view key) {
  const auto setting = keyLine(line);
  return setting && setting->key == key;
}

// The section's first block gets the line, in place of its first line for the key or else after
// its last non-blank line. Every other line for the key in the section goes, later blocks of the
// same name included, so that the value written is the value read. One pass: a file may hold
// many thousands of such lines.
void setInSection(std::vector<std::string>& lines, std::size_t firstHeader, const SettingEntry& entry) {
  std::string newLine = entry.key + "=" + entry.value;
  std::vector<std::string> result;
  result.reserve(lines.size() + 1);
  std::size_t insertAfter = firstHeader;
  bool replaced = false;
  bool inFirstBlock = true;
  bool inSection = true;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string& line = lines[i];
    if (i > firstHeader) {
      if (const auto name = headerName(line)) {
        inFirstBlock = false;
        inSection = *name == entry.section;
      } else if (inSection && setsKey(line, entry.key)) {
        if (replaced || !inFirstBlock) {
          continue;
        }
        line = newLine;
        replaced = true;
      }
      if (inFirstBlock && !isBlankLine(line)) {
        insertAfter = result.size();
      }
    }
    result.push_back(std::move(line));
  }
  if (!replaced) {
    result.insert(result.begin() + static_cast<std::ptrdiff_t>(insertAfter + 1), std::move(newLine));
  }
  lines = std::move(result);
}

void addSection(std::vector<std::string>& lines, const SettingEntry& entry) {
  if (!lines.empty() && !isBlankLine(lines.back())) {
    lines.emplace_back();
  }
  lines.push_back("[" + entry.section + "]");
  lines.push_back(entry.key + "=" + entry.value);
}

}  // namespace

std::string IniDocument::get(std::string_view section, std::string_view key, std::string_view fallback) const {
  const auto inSection = values.find(section);
  if (inSection == values.end()) {
    return std::string(fallback);
  }
  const auto value = inSection->second.find(key);
  return value == inSection->second.end() ? std::string(fallback) : value->second;
}

bool IniDocument::contains(std::string_view section) const { return values.find(section) != values.end(); }

bool IniDocument::contains(std::string_view section, std::string_view key) const {
  const auto inSection = values.find(section);
  return inSection != values.end() && inSection->second.find(key) != inSection->second.end();
}

std::vector<std::string> splitSettingsLines(std::string_view bytes) {
  // A mark written twice would come back as the first line's text and turn into a mark at the
  // next write: every leading mark goes, so a second identical write changes nothing.
  while (bytes.starts_with(kByteOrderMark)) {
    bytes.remove_prefix(kByteOrderMark.size());
  }
  std::vector<std::string> lines;
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    lines.emplace_back(line);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
  }
  return lines;
}

void readSettingsText(std::string_view bytes, IniDocument& document) {
  std::string section;
  for (const std::string& line : splitSettingsLines(bytes)) {
    if (const auto name = headerName(line)) {
      section = *name;
      continue;
    }
    const auto setting = keyLine(line);
    if (!setting || section.empty() || !isKnownSetting(section, setting->key)) {
      continue;
    }
    if (isAllowedSetting(section, setting->key, setting->value)) {
      document.values[section][std::string(setting->key)] = std::string(setting->value);
    } else {
      document.rejected.push_back(quoted(section, setting->key, setting->value));
    }
  }
}

std::string refusalOf(const std::vector<SettingEntry>& entries) {
  for (const SettingEntry& entry : entries) {
    if (!isAllowedSetting(entry.section, entry.key, entry.value)) {
      return "not allowed in myr.ini: " + quoted(entry.section, entry.key, entry.value);
    }
  }
  return {};
}

std::string applySettingEntries(std::optional<std::string_view> existing, const std::vector<SettingEntry>& entries) {
  std::vector<std::string> lines;
  if (existing) {
    lines = splitSettingsLines(*existing);
  } else {
    lines.assign(std::begin(kHeaderLines), std::end(kHeaderLines));
  }
  for (const SettingEntry& entry : entries) {
    if (const auto header = findHeader(lines, entry.section)) {
      setInSection(lines, *header, entry);
    } else {
      addSection(lines, entry);
    }
  }
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace myr::settings
