#include "settings/settings_commands.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "foundation/json/json.h"
#include "settings/bindings.h"
#include "settings/schema.h"

namespace myr::settings {
namespace {

IniDocument documentOf(std::string_view text) {
  IniDocument document;
  document.exists = true;
  readSettingsText(text, document);
  return document;
}

json::Value parsed(std::string_view text) {
  std::optional<json::Value> value = json::parse(text);
  EXPECT_TRUE(value) << text;
  return value.value_or(json::Value());
}

std::vector<std::string> memberNames(const json::Value& object) {
  std::vector<std::string> names;
  for (const auto& member : object.members()) {
    names.push_back(member.first);
  }
  return names;
}

std::string entriesText(const std::vector<SettingEntry>& entries) {
  std::string text;
  for (const SettingEntry& entry : entries) {
    text += entry.section + "." + entry.key + "=" + entry.value + "\n";
  }
  return text;
}

const Environment kNoEnvironment = [](std::string_view) { return std::string(); };

TEST(InitMembers, SettingsMembersInOrderWithTheFilesValuesAndItsRefusals) {
  const IniDocument document =
      documentOf("[Display]\nFullscreen=1\nScale=Auto\nAspect=16:9\n[Pad1]\nType=None\n[Audio]\nMute=yes\n");
  const std::map<std::string, std::string, std::less<>> environment{
      {"ZEVR_PAD1", "x"}, {"MYR_ISO", "C:\\a.iso"}, {"ZEVR_GS_SCALE", ""}, {"ZEVR_NATIVE_ANISOTROPY", "4"}};
  json::Value reply;
  reply.set("exeDir", "first");
  addSettingsMembers(reply, document, DisplayInfo{true, 1920, 1080, 60.5}, [&](std::string_view name) {
    const auto found = environment.find(name);
    return found == environment.end() ? std::string() : found->second;
  });

  EXPECT_EQ(memberNames(reply), (std::vector<std::string>{"exeDir", "settings", "defaults", "pad", "padDefaults",
                                                          "rejected", "iniError", "overrides", "display"}));
  const json::Value& settings = reply.get("settings");
  const json::Value& defaults = reply.get("defaults");
  ASSERT_EQ(settings.members().size(), SettingsSchema.size());
  ASSERT_EQ(memberNames(defaults), memberNames(settings));
  for (std::size_t i = 0; i < SettingsSchema.size(); ++i) {
    const SettingDef& row = SettingsSchema[i];
    EXPECT_EQ(settings.members()[i].first, std::string(row.section) + "." + std::string(row.key));
    EXPECT_EQ(defaults.members()[i].second.asString(), row.defaultValue);
  }
  EXPECT_EQ(settings.get("Display.Aspect").asString(), "16:9");
  EXPECT_EQ(settings.get("Display.Scale").asString(), "auto");
  EXPECT_EQ(settings.get("Display.Mode").asString(), "borderless");
  EXPECT_EQ(defaults.get("Display.Mode").asString(), "windowed");
  EXPECT_EQ(settings.get("Audio.Mute").asString(), "0");
  EXPECT_EQ(json::write(reply.get("rejected")), R"(["Display.Scale=Auto","Audio.Mute=yes"])");
  EXPECT_EQ(reply.get("iniError").asString(), "");
  EXPECT_EQ(json::write(reply.get("overrides")), R"(["MYR_ISO","ZEVR_PAD1","ZEVR_NATIVE_ANISOTROPY"])");
  EXPECT_EQ(json::write(reply.get("display")),
            R"({"ok":true,"width":1920,"height":1080,"hz":60.5,"scale":3,"frameRate":60})");
  // A "Pad1" holding only an option shows every button unbound.
  for (const auto& [button, binding] : reply.get("pad").members()) {
    EXPECT_EQ(binding.asString(), "") << button;
  }
  EXPECT_EQ(memberNames(reply.get("pad")), memberNames(reply.get("padDefaults")));
}

TEST(InitMembers, ModeReadsBorderlessOnlyWithoutAnAcceptedModeAndWithFullscreen) {
  const struct {
    const char* file;
    const char* mode;
  } cases[] = {
      {"", "windowed"},
      {"[Display]\nFullscreen=1\n", "borderless"},
      {"[Display]\nFullscreen=1\nMode=exclusive\n", "exclusive"},
      {"[Display]\nFullscreen=1\nMode=Exclusive\n", "borderless"},
      {"[Display]\nMode=windowed\nFullscreen=1\n", "windowed"},
      {"[Display]\nFullscreen=0\n", "windowed"},
      {"[Display]\nFullscreen=true\n", "windowed"},
      {"[display]\nFullscreen=1\n", "windowed"},
  };
  for (const auto& c : cases) {
    const json::Value settings = settingsObject(documentOf(c.file));
    EXPECT_EQ(settings.get("Display.Mode").asString(), c.mode) << c.file;
    EXPECT_EQ(memberNames(settings)[16], "Display.Mode");
  }
}

TEST(InitMembers, PadShowsDefaultsOnlyWithoutAUsablePad1Section) {
  json::Value defaults = json::Value::object();
  for (std::size_t i = 0; i < PadButtons.size(); ++i) {
    defaults.set(std::string(PadButtons[i]), std::string(PadDefaults[i].value));
  }
  const std::string defaultsText = json::write(defaults);
  EXPECT_EQ(json::write(padObject(documentOf(""), false)), defaultsText);
  EXPECT_EQ(json::write(padObject(documentOf("[Pad1]\nUp=Bogus\nUnknown=1\n"), false)), defaultsText);
  EXPECT_EQ(json::write(padObject(documentOf("[pad1]\nUp=Keyboard/W\n"), false)), defaultsText);
  EXPECT_EQ(json::write(padObject(documentOf("[Pad1]\nUp=Keyboard/W\n"), true)), defaultsText);

  const json::Value pad = padObject(documentOf("[Pad1]\nUp=Keyboard/W\nCross=Bogus\nStart=\nAxisScale=2\n"), false);
  EXPECT_EQ(memberNames(pad), memberNames(defaults));
  EXPECT_EQ(pad.get("Up").asString(), "Keyboard/W");
  EXPECT_EQ(pad.get("Cross").asString(), "");
  EXPECT_EQ(pad.get("Start").asString(), "");
  EXPECT_EQ(pad.get("Right").asString(), "");
}

TEST(SaveSettingsArguments, RefusesTheWholeRequestNamingTheFirstBadMember) {
  const std::string longName = "Display." + std::string(92, 'x');
  const struct {
    std::string args;
    std::string refused;
  } cases[] = {
      {R"({"values":{"Game.Iso":"C:\\games\\myr.iso"}})", "Game.Iso"},
      {R"({"values":{"Display":"2"}})", "Display"},
      {R"({"values":{"Display.Scale":3}})", "Display.Scale"},
      {R"({"values":{"Display.Scale":"9"}})", "Display.Scale"},
      {R"({"values":{"Display.Scale.":"2"}})", "Display.Scale."},
      {R"({"values":{"Pad1.Up":"Keyboard/W"}})", "Pad1.Up"},
      {R"({"values":{".Scale":"2"}})", ".Scale"},
      {R"({"values":{"Display.Scale":"2","Video.Scale":"2","Display":"1"}})", "Video.Scale"},
      {R"({"values":{")" + longName + R"(":"1"}})", longName.substr(0, 64)},
  };
  for (const auto& c : cases) {
    const Result<PageSettings> page = pageSettings(parsed(c.args));
    ASSERT_FALSE(page) << c.args;
    EXPECT_EQ(page.error().message, "Not a setting the launcher may write: " + c.refused);
  }
  ASSERT_EQ(longName.size(), 100u);
}

TEST(SaveSettingsArguments, TakesTheMembersInOrderAndRemembersTheTheme) {
  for (const char* empty : {"null", "{}", R"({"values":[]})", R"({"values":"x"})", R"({"values":{}})"}) {
    const Result<PageSettings> page = pageSettings(parsed(empty));
    ASSERT_TRUE(page) << empty;
    EXPECT_TRUE(page->entries.empty());
    EXPECT_FALSE(page->theme);
  }
  const Result<PageSettings> page =
      pageSettings(parsed(R"({"other":1,"values":{"Display.Scale":"2","Launcher.Theme":"dark","Game.FastLoad":"0"}})"));
  ASSERT_TRUE(page);
  EXPECT_EQ(entriesText(page->entries), "Display.Scale=2\nLauncher.Theme=dark\nGame.FastLoad=0\n");
  EXPECT_EQ(page->theme, "dark");
}

TEST(FastLoadMigration, SwitchesFastLoadingOnOnceThenMarksItDone) {
  const struct {
    const char* file;
    const char* entries;
  } cases[] = {
      {"", "Launcher.FastLoadDefaultOn=1\n"},
      {"[Game]\nFastLoad=0\n", "Game.FastLoad=1\nLauncher.FastLoadDefaultOn=1\n"},
      {"[Game]\nFastLoad=1\n", "Launcher.FastLoadDefaultOn=1\n"},
      {"[Game]\nFastLoad=0\n[Launcher]\nFastLoadDefaultOn=0\n", "Game.FastLoad=1\nLauncher.FastLoadDefaultOn=1\n"},
      {"[Game]\nFastLoad=0\n[Launcher]\nFastLoadDefaultOn=1\n", ""},
      {"[Game]\nFastLoad=0\n[Launcher]\nFastLoadDefaultOn=yes\n", "Game.FastLoad=1\nLauncher.FastLoadDefaultOn=1\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(entriesText(fastLoadMigration(documentOf(c.file))), c.entries) << c.file;
  }
}

TEST(SavePadArguments, TakesEveryButtonInOrderOrNamesTheFirstBadOne) {
  json::Value pad;
  for (const PadDefault& d : PadDefaults) {
    pad.set(std::string(d.key), std::string(d.value));
  }
  pad.set("Start", "").set("Extra", 5);
  json::Value args;
  args.set("pad", pad);
  const Result<std::vector<SettingEntry>> entries = padButtonEntries(args);
  ASSERT_TRUE(entries);
  ASSERT_EQ(entries->size(), PadButtons.size());
  for (std::size_t i = 0; i < PadButtons.size(); ++i) {
    EXPECT_EQ((*entries)[i].section, "Pad1");
    EXPECT_EQ((*entries)[i].key, PadButtons[i]);
  }
  EXPECT_EQ((*entries)[9].value, "");

  const struct {
    const char* button;
    json::Value value;
  } bad[] = {{"Cross", "Keyboard/A;"}, {"RLeft", 1}, {"L1", json::Value()}};
  for (const auto& c : bad) {
    json::Value changed = args;
    changed.members()[0].second.set(c.button, c.value);
    const Result<std::vector<SettingEntry>> refused = padButtonEntries(changed);
    ASSERT_FALSE(refused) << c.button;
    EXPECT_EQ(refused.error().message, "Invalid binding for " + std::string(c.button) + ".");
  }
  for (const char* missing : {"null", "{}", R"({"pad":[]})", R"({"pad":{"Right":"Keyboard/D"}})"}) {
    const Result<std::vector<SettingEntry>> refused = padButtonEntries(parsed(missing));
    ASSERT_FALSE(refused) << missing;
    EXPECT_EQ(refused.error().message, "Invalid binding for Up.");
  }
}

TEST(SavePadArguments, OptionsKeepTheFilesValuesAndFillInDefaults) {
  EXPECT_EQ(entriesText(padOptionEntries(documentOf("[Pad1]\nAxisScale=2\nDeadzone=5\nType=None\n"))),
            "Pad1.Type=None\nPad1.InvertL=0\nPad1.InvertR=0\nPad1.Deadzone=0\nPad1.AxisScale=2\n"
            "Pad1.ButtonDeadzone=0\nPad1.LargeMotorScale=1\nPad1.SmallMotorScale=1\n"
            "Pad1.LargeMotor=SDL-0/LargeMotor\nPad1.SmallMotor=SDL-0/SmallMotor\n");
  EXPECT_EQ(padOptionEntries(documentOf(""))[4].value, "1.33");
}

}  // namespace
}  // namespace myr::settings
