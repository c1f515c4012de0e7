#pragma once

// What the settings commands make of myr.ini and of the page's requests, apart from the files and
// the system: the members of the "init" reply that describe the settings, and the entries that
// "saveSettings" and "savePad" write.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/error.h"
#include "foundation/json/json.h"
#include "settings/display_info.h"
#include "settings/ini_text.h"

namespace myr::settings {

// An environment variable's value; empty when unset.
using Environment = std::function<std::string(std::string_view name)>;

// Every row of the table as section.key, with the file's value or the row's default; Display.Mode
// reads "borderless" when the file has no Mode of its own and Fullscreen is "1".
json::Value settingsObject(const IniDocument& document);
json::Value defaultsObject();
// The 24 button bindings. A file with a usable "Pad1" shows a lost or refused button as unbound;
// one without shows the defaults, as does defaultsOnly.
json::Value padObject(const IniDocument& document, bool defaultsOnly);
// The override variables that are set and not empty, in their list's order.
json::Value overridesArray(const Environment& environment);

// "settings", "defaults", "pad", "padDefaults", "rejected", "iniError", "overrides", "display",
// in this order, appended to the init reply.
void addSettingsMembers(json::Value& reply, const IniDocument& document, const DisplayInfo& display,
                        const Environment& environment);

// The page's "values" of saveSettings, checked as a whole before anything is written.
struct PageSettings {
  std::vector<SettingEntry> entries;
  std::optional<std::string> theme;  // Launcher.Theme, to apply once saved
};
Result<PageSettings> pageSettings(const json::Value& args);

// Fast loading is switched on once for players from before it became the default, then marked
// as done so that their later choice stays.
std::vector<SettingEntry> fastLoadMigration(const IniDocument& document);

// The page's 24 bindings of savePad in button order, or the refusal of the first bad or missing one.
Result<std::vector<SettingEntry>> padButtonEntries(const json::Value& args);
// The ten options as the file holds them, defaults for the missing and refused, so that "Pad1"
// always ends up complete.
std::vector<SettingEntry> padOptionEntries(const IniDocument& document);

}  // namespace myr::settings
