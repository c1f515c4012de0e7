#include "settings/settings_commands_win.h"

#include <utility>

#include "foundation/environment_win.h"
#include "foundation/files/win_text.h"
#include "foundation/version.h"
#include "settings/display_info_win.h"
#include "settings/settings_commands.h"
#include "settings/settings_file.h"

namespace myr::settings {
namespace {

std::string environmentValue(std::string_view name) { return getEnvUtf8(toWide(name).c_str()); }

json::Value captureTestObject() {
  json::Value test;
  test.set("page", getEnvUtf8(L"MYR_LAUNCHER_PAGE")).set("theme", getEnvUtf8(L"MYR_LAUNCHER_THEME"));
  return test;
}

void cmdInit(SettingsHost& host, const std::filesystem::path& gameFolder, commands::Reply reply) {
  const std::filesystem::path path = settingsPath(gameFolder);
  const IniDocument document = loadSettings(path);
  json::Value init;
  init.set("version", kLauncherVersion)
      .set("webview", host.webviewVersion())
      .set("exeDir", toUtf8(gameFolder.native()))
      .set("ini", toUtf8(path.native()));
  addSettingsMembers(init, document, queryDisplayInfo(host.window()), environmentValue);
  init.set("disc", host.refreshDiscState(document))
      .set("states", host.quickSaveStates())
      .set("running", host.gameRunning())
      .set("art", host.artNames())
      .set("gameFigure", host.hasGameFigure())
      .set("lastRun", host.lastRun())
      .set("playTime", host.playTime())
      .set("afterPlayBackup", host.afterPlayBackup());
  if (host.inCaptureMode()) {
    init.set("test", captureTestObject());
  }
  init.set("pendingRestore", host.pendingRestore());
  reply.result(std::move(init));
}

Status saveEntries(const std::filesystem::path& path, const std::vector<SettingEntry>& entries) {
  if (Status written = writeSettings(path, entries); !written) {
    return written.error().prefixed("myr.ini could not be saved: ");
  }
  return {};
}

void cmdSaveSettings(SettingsHost& host, const std::filesystem::path& gameFolder, const json::Value& args,
                     commands::Reply reply) {
  Result<PageSettings> page = pageSettings(args);
  if (!page) {
    reply.error(page.error().message);
    return;
  }
  const std::filesystem::path path = settingsPath(gameFolder);
  std::vector<SettingEntry> entries = page->entries;
  // The migration comes after the page's entries, so it wins over a "0" sent with it.
  for (SettingEntry& entry : fastLoadMigration(loadSettings(path))) {
    entries.push_back(std::move(entry));
  }
  if (const Status saved = saveEntries(path, entries); !saved) {
    reply.error(saved.error().message);
    return;
  }
  if (page->theme) {
    host.setTheme(*page->theme);
  }
  json::Value answer;
  answer.set("saved", static_cast<double>(page->entries.size()));
  reply.result(std::move(answer));
}

void cmdSavePad(const std::filesystem::path& gameFolder, const json::Value& args, commands::Reply reply) {
  Result<std::vector<SettingEntry>> buttons = padButtonEntries(args);
  if (!buttons) {
    reply.error(buttons.error().message);
    return;
  }
  const std::filesystem::path path = settingsPath(gameFolder);
  std::vector<SettingEntry> entries = std::move(buttons).value();
  for (SettingEntry& option : padOptionEntries(loadSettings(path))) {
    entries.push_back(std::move(option));
  }
  if (const Status saved = saveEntries(path, entries); !saved) {
    reply.error(saved.error().message);
    return;
  }
  reply.result(json::Value::object());
}

}  // namespace

commands::CommandList settingsCommands(SettingsHost& host, const std::filesystem::path& gameFolder) {
  return {
      {"init",
       [&host, gameFolder](const json::Value&, commands::Reply reply) { cmdInit(host, gameFolder, std::move(reply)); }},
      {"saveSettings",
       [&host, gameFolder](const json::Value& args, commands::Reply reply) {
         cmdSaveSettings(host, gameFolder, args, std::move(reply));
       }},
      {"savePad", [gameFolder](const json::Value& args,
                               commands::Reply reply) { cmdSavePad(gameFolder, args, std::move(reply)); }},
  };
}

}  // namespace myr::settings
