#include "settings/settings_commands.h"

#include "settings/bindings.h"
#include "settings/schema.h"

namespace myr::settings {
namespace {

constexpr std::size_t kQuotedNameBytes = 64;
constexpr std::size_t kButtonCount = PadButtons.size();

std::string settingName(const SettingDef& row) { return std::string(row.section) + "." + std::string(row.key); }

Error notWritable(std::string_view name) {
  return Error{"Not a setting the launcher may write: " + std::string(name.substr(0, kQuotedNameBytes))};
}

std::optional<SettingEntry> writableEntry(std::string_view name, const json::Value& value) {
  const std::size_t stop = name.find('.');
  const std::string_view section = name.substr(0, stop);
  const std::string_view key = stop == std::string_view::npos ? std::string_view() : name.substr(stop + 1);
  // The image path is stored only by choosing an image, which checks the disc first.
  if (!isSchemaRow(section, key) || (section == "Game" && key == "Iso") || !value.isString() ||
      !isAllowedSetting(section, key, value.asString())) {
    return std::nullopt;
  }
  return SettingEntry{std::string(section), std::string(key), value.asString()};
}

}  // namespace

json::Value settingsObject(const IniDocument& document) {
  json::Value settings = json::Value::object();
  for (const SettingDef& row : SettingsSchema) {
    settings.set(settingName(row), document.get(row.section, row.key, row.defaultValue));
  }
  if (!document.contains("Display", "Mode") && document.get("Display", "Fullscreen", "0") == "1") {
    settings.set("Display.Mode", "borderless");
  }
  return settings;
}

json::Value defaultsObject() {
  json::Value defaults = json::Value::object();
  for (const SettingDef& row : SettingsSchema) {
    defaults.set(settingName(row), std::string(row.defaultValue));
  }
  return defaults;
}

json::Value padObject(const IniDocument& document, bool defaultsOnly) {
  const bool fromFile = !defaultsOnly && document.contains("Pad1");
  json::Value pad = json::Value::object();
  for (std::size_t i = 0; i < kButtonCount; ++i) {
    const PadDefault& button = PadDefaults[i];
    pad.set(std::string(button.key), fromFile ? document.get("Pad1", button.key, "") : std::string(button.value));
  }
  return pad;
}

json::Value overridesArray(const Environment& environment) {
  json::Value overrides = json::Value::array();
  for (const std::string_view name : EnvOverrideNames) {
    if (!environment(name).empty()) {
      overrides.push(std::string(name));
    }
  }
  return overrides;
}

void addSettingsMembers(json::Value& reply, const IniDocument& document, const DisplayInfo& display,
                        const Environment& environment) {
  json::Value rejected = json::Value::array();
  for (const std::string& text : document.rejected) {
    rejected.push(text);
  }
  reply.set("settings", settingsObject(document))
      .set("defaults", defaultsObject())
      .set("pad", padObject(document, false))
      .set("padDefaults", padObject(document, true))
      .set("rejected", std::move(rejected))
      .set("iniError", document.error)
      .set("overrides", overridesArray(environment))
      .set("display", displayObject(display));
}

Result<PageSettings> pageSettings(const json::Value& args) {
  PageSettings page;
  const json::Value& values = args.get("values");
  if (!values.isObject()) {
    return page;
  }
  for (const auto& [name, value] : values.members()) {
    std::optional<SettingEntry> entry = writableEntry(name, value);
    if (!entry) {
      return notWritable(name);
    }
    if (entry->section == "Launcher" && entry->key == "Theme") {
      page.theme = entry->value;
    }
    page.entries.push_back(std::move(*entry));
  }
  return page;
}

std::vector<SettingEntry> fastLoadMigration(const IniDocument& document) {
  if (document.get("Launcher", "FastLoadDefaultOn", "") == "1") {
    return {};
  }
  std::vector<SettingEntry> entries;
  if (document.get("Game", "FastLoad", "") == "0") {
    entries.push_back({"Game", "FastLoad", "1"});
  }
  entries.push_back({"Launcher", "FastLoadDefaultOn", "1"});
  return entries;
}

Result<std::vector<SettingEntry>> padButtonEntries(const json::Value& args) {
  const json::Value& pad = args.get("pad");
  std::vector<SettingEntry> entries;
  for (const std::string_view button : PadButtons) {
    const json::Value& binding = pad.get(button);
    if (!binding.isString() || !isValidBinding(binding.asString())) {
      return Error{"Invalid binding for " + std::string(button) + "."};
    }
    entries.push_back({"Pad1", std::string(button), binding.asString()});
  }
  return entries;
}

std::vector<SettingEntry> padOptionEntries(const IniDocument& document) {
  std::vector<SettingEntry> entries;
  for (std::size_t i = kButtonCount; i < PadDefaults.size(); ++i) {
    const PadDefault& option = PadDefaults[i];
    entries.push_back({"Pad1", std::string(option.key), document.get("Pad1", option.key, option.value)});
  }
  return entries;
}

}  // namespace myr::settings
