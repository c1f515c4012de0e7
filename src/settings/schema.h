#pragma once

// Every game setting the launcher knows: where it lives in myr.ini, its default and the values
// it may hold. Nothing outside this table (and the controller's section) is ever written.

#include <array>
#include <string_view>

namespace myr::settings {

struct SettingDef {
  std::string_view section;
  std::string_view key;
  std::string_view defaultValue;
};

extern const std::array<SettingDef, 26> SettingsSchema;
// The variables that override settings inside the game, in the order the page is told of them.
extern const std::array<std::string_view, 18> EnvOverrideNames;

// (section, key) is a row of the table.
bool isSchemaRow(std::string_view section, std::string_view key);
// (section, key) is a setting of the table or of the controller's section "Pad1".
bool isKnownSetting(std::string_view section, std::string_view key);
// A known setting whose value follows its rule, compared byte for byte.
bool isAllowedSetting(std::string_view section, std::string_view key, std::string_view value);

}  // namespace myr::settings
