#include "settings/schema.h"

#include <algorithm>
#include <initializer_list>

#include "foundation/files/utf8.h"
#include "foundation/files/file_names.h"
#include "settings/bindings.h"
#include "foundation/files/ascii_text.h"

namespace myr::settings {

const std::array<SettingDef, 26> SettingsSchema{{
    {"Game", "Iso", ""},
    {"Game", "FastLoad", "1"},
    {"Game", "SkipIntro", "0"},
    {"Game", "SaveFormat", "myrsave"},
    {"Display", "Scale", "auto"},
    {"Display", "FrameRate", "60"},
    {"Display", "Aspect", "4:3"},
    {"Display", "Vsync", "2"},
    {"Display", "FXAA", "1"},
    {"Display", "Anisotropy", "0"},
    {"Display", "NativeFXAA", "0"},
    {"Display", "NativeAnisotropy", "0"},
    {"Display", "NativePresentSharp", "1"},
    {"Display", "FpsCounter", "0"},
    {"Display", "Renderer", "native-vk"},
    {"Display", "Fullscreen", "0"},
    {"Display", "Mode", "windowed"},
    {"Audio", "Mute", "0"},
    {"Audio", "Interp", "sinc16"},
    {"Audio", "AdxResample", "sinc"},
    {"Input", "ButtonIcons", "playstation"},
    {"Launcher", "Theme", "system"},
    {"Launcher", "BackupAfterPlay", "1"},
    {"Launcher", "Resume", "0"},
    {"Launcher", "State", "quick.state"},
    {"Launcher", "FastLoadDefaultOn", "0"},
}};

const std::array<std::string_view, 18> EnvOverrideNames{
    "MYR_ISO",           "ZEVR_GS_SCALE",    "ZEVR_PCSX2_VSYNC",
    "ZEVR_ASPECT",       "ZEVR_PCSX2_FXAA",  "ZEVR_PCSX2_ANISOTROPY",
    "ZEVR_SHOW_FPS",     "ZEVR_GS_RENDERER", "ZEVR_AUDIO_MUTE",
    "ZEVR_FAST_LOAD",    "ZEVR_SKIP_INTRO",  "ZEVR_SPU2_INTERP",
    "ZEVR_ADX_RESAMPLE", "ZEVR_PAD1",        "ZEVR_FRAME_RATE",
    "ZEVR_BUTTON_ICONS", "ZEVR_NATIVE_FXAA", "ZEVR_NATIVE_ANISOTROPY"};

namespace {

constexpr std::size_t kLongestImagePath = 1024;

using Values = std::initializer_list<std::string_view>;

bool oneOf(std::string_view value, Values allowed) {
  return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

// An absolute drive path ("C:\...") or a network path ("\\server\..."), nothing else.
bool isImagePath(std::string_view value) {
  if (value.empty()) {
    return true;
  }
  if (value.size() > kLongestImagePath) {
    return false;
  }
  for (const char c : value) {
    if (static_cast<unsigned char>(c) < 0x20 || c == '"') {
      return false;
    }
  }
  if (!isUtf8(value) || value.size() < 4) {
    return false;
  }
  if (isAsciiLetter(value[0]) && value[1] == ':' && value[2] == '\\') {
    return true;
  }
  return value[0] == '\\' && value[1] == '\\' && value[2] != '\\';
}

// The values each row may hold; the table above lists the rows in order.
bool isAllowedTableValue(std::string_view section, std::string_view key, std::string_view value) {
  const Values boolean{"0", "1"};
  const Values anisotropy{"0", "2", "4", "8", "16"};
  if (section == "Game") {
    if (key == "Iso") return isImagePath(value);
    if (key == "FastLoad" || key == "SkipIntro") return oneOf(value, boolean);
    if (key == "SaveFormat") return oneOf(value, {"myrsave", "card"});
  } else if (section == "Display") {
    if (key == "Scale") return oneOf(value, {"1", "2", "3", "4", "5", "6", "7", "8", "auto"});
    if (key == "FrameRate") return oneOf(value, {"60", "120", "auto"});
    if (key == "Aspect") return oneOf(value, {"4:3", "16:9", "stretch"});
    if (key == "Vsync") return oneOf(value, {"0", "1", "2"});
    if (key == "FXAA" || key == "NativeFXAA" || key == "NativePresentSharp" || key == "FpsCounter" ||
        key == "Fullscreen") {
      return oneOf(value, boolean);
    }
    if (key == "Anisotropy" || key == "NativeAnisotropy") return oneOf(value, anisotropy);
    if (key == "Renderer") return oneOf(value, {"pcsx2", "native-vk", "builtin"});
    if (key == "Mode") return oneOf(value, {"windowed", "borderless", "exclusive"});
  } else if (section == "Audio") {
    if (key == "Mute") return oneOf(value, boolean);
    if (key == "Interp") return oneOf(value, {"gauss", "hermite", "sinc", "sinc8", "sinc16"});
    if (key == "AdxResample") return oneOf(value, {"sinc", "off", "linear"});
  } else if (section == "Input") {
    if (key == "ButtonIcons") return oneOf(value, {"playstation", "auto", "xbox", "keyboard"});
  } else if (section == "Launcher") {
    if (key == "Theme") return oneOf(value, {"system", "light", "dark"});
    if (key == "BackupAfterPlay" || key == "Resume" || key == "FastLoadDefaultOn") return oneOf(value, boolean);
    if (key == "State") return isStateFileName(value);
  }
  return false;
}

}  // namespace

bool isSchemaRow(std::string_view section, std::string_view key) {
  return std::any_of(SettingsSchema.begin(), SettingsSchema.end(),
                     [&](const SettingDef& row) { return row.section == section && row.key == key; });
}

bool isKnownSetting(std::string_view section, std::string_view key) {
  return section == "Pad1" ? isPadKey(key) : isSchemaRow(section, key);
}

bool isAllowedSetting(std::string_view section, std::string_view key, std::string_view value) {
  if (section == "Pad1") {
    return isAllowedPadSetting(key, value);
  }
  return isAllowedTableValue(section, key, value);
}

}  // namespace myr::settings
