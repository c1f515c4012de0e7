#pragma once

// The page's settings commands: "init", "saveSettings" and "savePad".

#include <windows.h>

#include <filesystem>
#include <string>

#include "foundation/commands/command.h"
#include "foundation/json/json.h"
#include "settings/ini_text.h"

namespace myr::settings {

// What the settings commands need of the launcher that owns them: the init reply's members that
// other parts of the launcher know, and the theme. Called on the UI thread inside the handlers.
class SettingsHost {
 public:
  virtual ~SettingsHost() = default;
  // The main window, whose monitor "display" describes; may be null.
  virtual HWND window() const = 0;
  // "webview": the installed browser runtime's version, empty when there is none.
  virtual std::string webviewVersion() = 0;
  // "disc": the disc state for the settings just loaded, starting the extraction when it is due
  // (never forced).
  virtual json::Value refreshDiscState(const IniDocument& settings) = 0;
  // "states": the quick-save state files of the game folder.
  virtual json::Value quickSaveStates() = 0;
  // "running": whether a game process is tracked; no search of the system.
  virtual bool gameRunning() const = 0;
  // "art": the picture names of launcher-art.
  virtual json::Value artNames() = 0;
  // "gameFigure": whether the figure cut from the disc's art is there to be shown.
  virtual bool hasGameFigure() const = 0;
  // "lastRun": how the last start or run ended, null when none did.
  virtual json::Value lastRun() const = 0;
  // "playTime": {"runs", "seconds", "lastPlayed"} of every run so far.
  virtual json::Value playTime() = 0;
  // "afterPlayBackup": the state of the backup made when the game last ended, null before any.
  virtual json::Value afterPlayBackup() const = 0;
  // "pendingRestore": a restore that waits for the player's decision, null when none does.
  virtual json::Value pendingRestore() = 0;
  // Page-capture mode, in which init adds "test".
  virtual bool inCaptureMode() const = 0;
  // A theme saved by the page: kept as the launcher's theme and applied to the window at once.
  virtual void setTheme(std::string theme) = 0;
};

// "init", "saveSettings" and "savePad" for the myr.ini of gameFolder. Each handler loads the file
// afresh and answers before it returns.
commands::CommandList settingsCommands(SettingsHost& host, const std::filesystem::path& gameFolder);

}  // namespace myr::settings
