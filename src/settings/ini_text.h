#pragma once

// myr.ini as text: what the launcher reads from it and how it changes single keys while every
// other line stays as the player or the game left it.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace myr::settings {

// The settings as read. Holds only known settings whose values are allowed.
struct IniDocument {
  bool exists = false;
  std::map<std::string, std::map<std::string, std::string, std::less<>>, std::less<>> values;
  std::vector<std::string> rejected;  // section.key=value (first 80 bytes), in file order
  std::string error;

  std::string get(std::string_view section, std::string_view key, std::string_view fallback) const;
  bool contains(std::string_view section) const;
  bool contains(std::string_view section, std::string_view key) const;
};

struct SettingEntry {
  std::string section;
  std::string key;
  std::string value;
};

inline constexpr std::size_t kLargestSettingsFile = 1048576;

// Lines without their endings: a leading byte order mark, LF and one CR before it are dropped.
std::vector<std::string> splitSettingsLines(std::string_view bytes);

// The accepted and refused settings of a file's text.
void readSettingsText(std::string_view bytes, IniDocument& document);

// Empty when every entry may be written, else the refusal of the first that may not.
std::string refusalOf(const std::vector<SettingEntry>& entries);

// The file's new text with the entries applied in order; existing is empty when the file does
// not exist. Every line ends with CR LF.
std::string applySettingEntries(std::optional<std::string_view> existing, const std::vector<SettingEntry>& entries);

}  // namespace myr::settings
