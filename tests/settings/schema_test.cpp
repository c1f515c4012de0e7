#include "settings/schema.h"

#include <gtest/gtest.h>

#include <string>

namespace myr::settings {
namespace {

TEST(Schema, EveryDefaultIsAllowedByItsOwnRule) {
  for (const SettingDef& row : SettingsSchema) {
    EXPECT_TRUE(isAllowedSetting(row.section, row.key, row.defaultValue)) << row.section << "." << row.key;
    EXPECT_TRUE(isKnownSetting(row.section, row.key));
  }
  EXPECT_EQ(SettingsSchema.front().key, "Iso");
  EXPECT_EQ(SettingsSchema.back().key, "FastLoadDefaultOn");
  EXPECT_EQ(EnvOverrideNames.front(), "MYR_ISO");
  EXPECT_EQ(EnvOverrideNames[13], "ZEVR_PAD1");
  EXPECT_EQ(EnvOverrideNames.back(), "ZEVR_NATIVE_ANISOTROPY");
}

TEST(Schema, Values) {
  struct Case {
    const char* section;
    const char* key;
    std::string value;
    bool accepted;
  };
  const Case cases[] = {
      {"Display", "Scale", "1", true},
      {"Display", "Scale", "8", true},
      {"Display", "Scale", "auto", true},
      {"Display", "Scale", "0", false},
      {"Display", "Scale", "9", false},
      {"Display", "Scale", "10", false},
      {"Display", "Scale", "Auto", false},
      {"Display", "Scale", " 2", false},
      {"Display", "FrameRate", "120", true},
      {"Display", "FrameRate", "144", false},
      {"Display", "FrameRate", "30", false},
      {"Display", "Anisotropy", "16", true},
      {"Display", "NativeAnisotropy", "1", false},
      {"Display", "Anisotropy", "32", false},
      {"Audio", "AdxResample", "off", true},
      {"Audio", "Interp", "off", false},
      {"Input", "ButtonIcons", "keyboard", true},
      {"Launcher", "Theme", "auto", false},
      {"Launcher", "Theme", "DARK", false},
      {"Launcher", "BackupAfterPlay", "0", true},
      {"Launcher", "BackupAfterPlay", "on", false},
      {"Display", "Mode", "borderless", true},
      {"Game", "SaveFormat", "card", true},
      {"Launcher", "State", std::string(58, 's') + ".state", true},
      {"Launcher", "State", std::string(59, 's') + ".state", false},
      {"Video", "Scale", "2", false},
      {"display", "Scale", "2", false},
      {"Display", "Unknown", "1", false},
      {"Pad1", "Cross", "Keyboard/X", true},
      {"Pad1", "Nothing", "1", false},
      {"pad1", "Cross", "Keyboard/X", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isAllowedSetting(c.section, c.key, c.value), c.accepted) << c.section << "." << c.key << "=" << c.value;
  }
}

TEST(Schema, ImagePath) {
  const std::pair<std::string, bool> cases[] = {
      {"", true},
      {"C:\\a", true},
      {"\\\\server\\games\\myr.iso", true},
      {"D:\\Games\\Myrrowen (EU)\\disc.iso", true},
      {"C:\\" + std::string(1021, 'a'), true},
      {"C:\\" + std::string(1022, 'a'), false},
      {"C:\\a\"b.iso", false},
      {"C:\\a\tb.iso", false},
      {"C:/games/disc.iso", false},
      {"\\\\\\server\\disc.iso", false},
      {"games\\disc.iso", false},
      {"C:\\caf\xC3.iso", false},
      {"C:\\", false},
      {"1:\\disc.iso", false},
  };
  for (const auto& [value, accepted] : cases) {
    EXPECT_EQ(isAllowedSetting("Game", "Iso", value), accepted) << value;
  }
}

}  // namespace
}  // namespace myr::settings
