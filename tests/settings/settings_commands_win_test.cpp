// The settings commands against real files in a game folder of their own, with a fake launcher.

#include "settings/settings_commands_win.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/commands/reply.h"
#include "foundation/files/win_text.h"
#include "foundation/version.h"
#include "settings/bindings.h"
#include "settings/schema.h"
#include "settings/settings_file.h"
#include "support/temp_folder.h"

namespace myr::settings {
namespace {

class FakeHost final : public SettingsHost {
 public:
  HWND window() const override { return nullptr; }
  std::string webviewVersion() override { return "120.0.2210.91"; }
  json::Value refreshDiscState(const IniDocument& settings) override {
    discRequests.push_back(settings);
    json::Value disc;
    disc.set("ok", false).set("iso", settings.get("Game", "Iso", ""));
    return disc;
  }
  json::Value quickSaveStates() override { return json::Value::array().push("quick.state"); }
  bool gameRunning() const override { return true; }
  json::Value artNames() override { return json::Value::array().push("cover.png"); }
  json::Value lastRun() const override { return json::Value::object().set("code", 3); }
  json::Value pendingRestore() override { return json::Value::object().set("set", "2024-01-01_10-00-00"); }
  bool inCaptureMode() const override { return capture; }
  void setTheme(std::string theme) override { themes.push_back(std::move(theme)); }

  bool capture = false;
  std::vector<IniDocument> discRequests;
  std::vector<std::string> themes;
};

class LastDelivery final : public commands::ReplyChannel {
 public:
  void deliver(std::string json) override { delivered.push_back(std::move(json)); }
  void misuse(std::string what) override { ADD_FAILURE() << what; }
  std::vector<std::string> delivered;
};

std::vector<std::string> memberNames(const json::Value& object) {
  std::vector<std::string> names;
  for (const auto& member : object.members()) {
    names.push_back(member.first);
  }
  return names;
}

json::Value defaultBindings() {
  json::Value pad = json::Value::object();
  for (std::size_t i = 0; i < PadButtons.size(); ++i) {
    pad.set(std::string(PadButtons[i]), std::string(PadDefaults[i].value));
  }
  return pad;
}

class SettingsCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string_view name : EnvOverrideNames) {
      SetEnvironmentVariableW(toWide(name).c_str(), nullptr);
    }
    SetEnvironmentVariableW(L"MYR_LAUNCHER_PAGE", nullptr);
    SetEnvironmentVariableW(L"MYR_LAUNCHER_THEME", nullptr);
  }

  // The reply envelope of one request.
  json::Value run(const std::string& command, const std::string& args = "{}") {
    const commands::CommandList list = settingsCommands(host, folder.path());
    const commands::Handler* handler = commands::findCommand(list, command);
    EXPECT_NE(handler, nullptr) << command;
    const std::optional<json::Value> parsedArgs = json::parse(args);
    EXPECT_TRUE(parsedArgs) << args;
    auto channel = std::make_shared<LastDelivery>();
    (*handler)(parsedArgs.value_or(json::Value()), commands::Reply(7, channel));
    EXPECT_EQ(channel->delivered.size(), 1u);
    return channel->delivered.empty() ? json::Value() : json::parse(channel->delivered.back()).value_or(json::Value());
  }
  std::string errorOf(const std::string& command, const std::string& args) {
    const json::Value reply = run(command, args);
    EXPECT_FALSE(reply.get("ok").asBool()) << json::write(reply);
    return reply.get("error").asString();
  }
  std::string resultOf(const std::string& command, const std::string& args = "{}") {
    const json::Value reply = run(command, args);
    EXPECT_TRUE(reply.get("ok").asBool()) << json::write(reply);
    return json::write(reply.get("result"));
  }

  void put(const std::string& bytes) const { std::ofstream(path(), std::ios::binary) << bytes; }
  std::string contents() const {
    std::ifstream file(path(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
  }
  std::filesystem::path path() const { return settingsPath(folder.path()); }

  testing::TempFolder folder;
  FakeHost host;
};

TEST_F(SettingsCommands, InitAnswersEveryMemberInOrder) {
  SetEnvironmentVariableW(L"ZEVR_FRAME_RATE", L"120");
  SetEnvironmentVariableW(L"ZEVR_PAD1", L"");
  SetEnvironmentVariableW(L"MYR_ISO", L"C:\\env.iso");
  const std::vector<std::string> members{"version", "webview",     "exeDir",   "ini",      "settings",  "defaults",
                                         "pad",     "padDefaults", "rejected", "iniError", "overrides", "display",
                                         "disc",    "states",      "running",  "art",      "lastRun", "pendingRestore"};

  const json::Value reply = run("init");
  EXPECT_EQ(reply.get("id").asNumber(0), 7);
  const json::Value& init = reply.get("result");
  EXPECT_EQ(memberNames(init), members);
  EXPECT_EQ(init.get("version").asString(), kLauncherVersion);
  EXPECT_EQ(init.get("webview").asString(), "120.0.2210.91");
  EXPECT_EQ(init.get("exeDir").asString(), toUtf8(folder.path().native()));
  EXPECT_EQ(init.get("ini").asString(), toUtf8(path().native()));
  EXPECT_EQ(json::write(init.get("settings")), json::write(init.get("defaults")));
  EXPECT_EQ(json::write(init.get("pad")), json::write(init.get("padDefaults")));
  EXPECT_EQ(json::write(init.get("pad")), json::write(defaultBindings()));
  EXPECT_EQ(json::write(init.get("rejected")), "[]");
  EXPECT_EQ(init.get("iniError").asString(), "");
  EXPECT_EQ(json::write(init.get("overrides")), R"(["MYR_ISO","ZEVR_FRAME_RATE"])");
  EXPECT_TRUE(init.get("display").get("ok").asBool()) << json::write(init.get("display"));
  EXPECT_EQ(json::write(init.get("disc")), R"({"ok":false,"iso":""})");
  EXPECT_EQ(json::write(init.get("states")), R"(["quick.state"])");
  EXPECT_TRUE(init.get("running").asBool());
  EXPECT_EQ(json::write(init.get("art")), R"(["cover.png"])");
  EXPECT_EQ(json::write(init.get("lastRun")), R"({"code":3})");
  EXPECT_EQ(json::write(init.get("pendingRestore")), R"({"set":"2024-01-01_10-00-00"})");
  ASSERT_EQ(host.discRequests.size(), 1u);
  EXPECT_FALSE(host.discRequests[0].exists);

  host.capture = true;
  SetEnvironmentVariableW(L"MYR_LAUNCHER_PAGE", L"saves");
  std::vector<std::string> withTest = members;
  withTest.insert(withTest.end() - 1, "test");
  const json::Value captured = run("init").get("result");
  EXPECT_EQ(memberNames(captured), withTest);
  EXPECT_EQ(json::write(captured.get("test")), R"({"page":"saves","theme":""})");
  EXPECT_FALSE(std::filesystem::exists(path()));
}

TEST_F(SettingsCommands, InitShowsTheFileAndHandsTheSameSettingsToTheDiscState) {
  put("[Game]\r\nIso=C:\\games\\myr.iso\r\n[Display]\r\nFullscreen=1\r\nScale=Auto\r\n[Pad1]\r\nType=None\r\n");
  const json::Value init = run("init").get("result");
  EXPECT_EQ(init.get("settings").get("Game.Iso").asString(), "C:\\games\\myr.iso");
  EXPECT_EQ(init.get("settings").get("Display.Mode").asString(), "borderless");
  EXPECT_EQ(init.get("defaults").get("Display.Mode").asString(), "windowed");
  EXPECT_EQ(json::write(init.get("rejected")), R"(["Display.Scale=Auto"])");
  EXPECT_EQ(init.get("pad").get("Cross").asString(), "");
  EXPECT_EQ(json::write(init.get("disc")), R"({"ok":false,"iso":"C:\\games\\myr.iso"})");
}

TEST_F(SettingsCommands, OversizedFileGivesDefaultsAndTheSameReasonToEverySave) {
  const std::string tooLarge = "[Display]\nScale=2\n" + std::string(1048577 - 18, ';');
  put(tooLarge);
  const std::string reason = toUtf8(path().native()) + ": larger than 1048576 bytes";

  const json::Value init = run("init").get("result");
  EXPECT_EQ(init.get("iniError").asString(), reason);
  EXPECT_EQ(json::write(init.get("settings")), json::write(init.get("defaults")));
  EXPECT_EQ(json::write(init.get("pad")), json::write(init.get("padDefaults")));
  ASSERT_EQ(host.discRequests.size(), 1u);
  EXPECT_EQ(host.discRequests[0].error, reason);

  json::Value pad;
  pad.set("pad", defaultBindings());
  for (const auto& [command, args] : {std::pair<std::string, std::string>{"saveSettings", "{}"},
                                      {"saveSettings", R"({"values":{"Launcher.Theme":"dark"}})"},
                                      {"savePad", json::write(pad)}}) {
    EXPECT_EQ(errorOf(command, args), "myr.ini could not be saved: " + reason) << command << args;
  }
  EXPECT_EQ(contents(), tooLarge);
  EXPECT_TRUE(host.themes.empty());
}

TEST_F(SettingsCommands, SaveSettingsWritesThePagesValuesAndMigratesFastLoadingOnce) {
  const struct {
    const char* args;
    const char* saved;
    const char* file;
  } steps[] = {
      {"{}", R"({"saved":0})", "[Game]\r\nFastLoad=1\r\n\r\n[Launcher]\r\nFastLoadDefaultOn=1\r\n"},
      {R"({"values":{"Game.FastLoad":"0","Display.Scale":"3"}})", R"({"saved":2})",
       "[Game]\r\nFastLoad=0\r\n\r\n[Launcher]\r\nFastLoadDefaultOn=1\r\n\r\n[Display]\r\nScale=3\r\n"},
      {R"({"values":{}})", R"({"saved":0})",
       "[Game]\r\nFastLoad=0\r\n\r\n[Launcher]\r\nFastLoadDefaultOn=1\r\n\r\n[Display]\r\nScale=3\r\n"},
  };
  put("[Game]\nFastLoad=0\n");
  for (const auto& step : steps) {
    EXPECT_EQ(resultOf("saveSettings", step.args), step.saved) << step.args;
    EXPECT_EQ(contents(), step.file) << step.args;
  }
  EXPECT_TRUE(host.themes.empty());
}

// The migration reads the file as it was: a "0" there is switched on whatever the page sends with it,
// while a first choice of "0" made by the page itself stays.
TEST_F(SettingsCommands, FirstSaveSwitchesAStoredFastLoadOffOnEvenAgainstThePage) {
  const struct {
    const char* file;
    const char* fastLoad;
  } cases[] = {{"[Game]\nFastLoad=0\n", "1"}, {nullptr, "0"}, {"[Game]\nFastLoad=1\n", "0"}};
  for (const auto& c : cases) {
    std::filesystem::remove(path());
    if (c.file != nullptr) {
      put(c.file);
    }
    EXPECT_EQ(resultOf("saveSettings", R"({"values":{"Game.FastLoad":"0"}})"), R"({"saved":1})");
    const IniDocument saved = loadSettings(path());
    EXPECT_EQ(saved.get("Game", "FastLoad", "-"), c.fastLoad) << (c.file ? c.file : "no file");
    EXPECT_EQ(saved.get("Launcher", "FastLoadDefaultOn", "-"), "1");
  }
}

TEST_F(SettingsCommands, RefusedSaveSettingsWritesNothing) {
  const std::string name100 = "Display.Scale" + std::string(87, 'x');
  const struct {
    std::string args;
    std::string name;
  } cases[] = {
      {R"({"values":{"Display.Scale":"2","Game.Iso":"C:\\games\\myr.iso"}})", "Game.Iso"},
      {R"({"values":{"Display":"2"}})", "Display"},
      {R"({"values":{"Display.Scale":3}})", "Display.Scale"},
      {R"({"values":{"Launcher.Theme":"dark",")" + name100 + R"(":"2"}})", name100.substr(0, 64)},
  };
  put("[Display]\nScale=2\n");
  for (const auto& c : cases) {
    EXPECT_EQ(errorOf("saveSettings", c.args), "Not a setting the launcher may write: " + c.name);
    EXPECT_EQ(contents(), "[Display]\nScale=2\n");
  }
  EXPECT_EQ(name100.size(), 100u);
  EXPECT_TRUE(host.themes.empty());
}

TEST_F(SettingsCommands, SavedThemeIsAppliedAtOnceButOnlyOnceWritten) {
  EXPECT_EQ(resultOf("saveSettings", R"({"values":{"Launcher.Theme":"dark"}})"), R"({"saved":1})");
  EXPECT_EQ(host.themes, std::vector<std::string>{"dark"});
  EXPECT_EQ(run("init").get("result").get("settings").get("Launcher.Theme").asString(), "dark");

  // A folder where myr.ini should be cannot be read or replaced.
  std::filesystem::remove(path());
  std::filesystem::create_directory(path());
  const std::string error = errorOf("saveSettings", R"({"values":{"Launcher.Theme":"light"}})");
  EXPECT_TRUE(error.starts_with("myr.ini could not be saved: " + toUtf8(path().native()) + ": ")) << error;
  EXPECT_EQ(host.themes, std::vector<std::string>{"dark"});
}

TEST_F(SettingsCommands, SavePadKeepsEveryOtherLineAndLeavesAllPad1Keys) {
  const std::string before =
      "; the player's own remark\r\n\r\n[Display]\r\nScale=2\r\nCustom = keep me ; exactly\r\n\r\n"
      "[Pad1]\r\n; bindings\r\nUp = Keyboard/W\r\nAxisScale=2\r\nDeadzone=5\r\nMystery=1\r\n\r\n"
      "[Unknown]\r\nx=y\r\nStray line\r\n";
  put(before);
  json::Value bindings = defaultBindings();
  bindings.set("Up", "").set("Cross", "Keyboard/X").set("Unrelated", "Keyboard/Z");
  json::Value args;
  args.set("pad", bindings);
  EXPECT_EQ(resultOf("savePad", json::write(args)), "{}");

  std::string expected = before.substr(0, before.find("[Pad1]\r\n") + 8);
  expected += "; bindings\r\nUp=\r\nAxisScale=2\r\nDeadzone=0\r\nMystery=1\r\n";
  for (std::size_t i = 1; i < PadDefaults.size(); ++i) {
    const PadDefault& d = PadDefaults[i];
    if (d.key != "AxisScale" && d.key != "Deadzone") {
      expected += std::string(d.key) + "=" + (d.key == "Cross" ? "Keyboard/X" : std::string(d.value)) + "\r\n";
    }
  }
  expected += "\r\n[Unknown]\r\nx=y\r\nStray line\r\n";
  EXPECT_EQ(contents(), expected);
  const IniDocument saved = loadSettings(path());
  for (const PadDefault& d : PadDefaults) {
    EXPECT_TRUE(saved.contains("Pad1", d.key)) << d.key;
  }
  EXPECT_EQ(json::write(run("init").get("result").get("pad").get("Up")), R"("")");
}

TEST_F(SettingsCommands, RefusedSavePadWritesNothing) {
  json::Value bindings = defaultBindings();
  bindings.set("Circle", "Keyboard/A;").set("Square", 2);
  json::Value args;
  args.set("pad", bindings);
  EXPECT_EQ(errorOf("savePad", json::write(args)), "Invalid binding for Circle.");
  EXPECT_EQ(errorOf("savePad", R"({"pad":{"Up":"Keyboard/W"}})"), "Invalid binding for Right.");
  EXPECT_FALSE(std::filesystem::exists(path()));

  EXPECT_EQ(resultOf("savePad", json::write(json::Value().set("pad", defaultBindings()))), "{}");
  EXPECT_TRUE(contents().starts_with("; Myrrowen (PC port): settings for myr.exe, written by myr_launcher.exe.\r\n"));
  EXPECT_EQ(json::write(run("init").get("result").get("pad")), json::write(defaultBindings()));
}

}  // namespace
}  // namespace myr::settings
