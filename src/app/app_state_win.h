#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "art/game_icon.h"
#include "foundation/json/json.h"

namespace myr::app {

// Process-wide state of the launcher, owned by the UI thread.
struct AppState {
  std::filesystem::path gameFolder;
  bool playFlag = false;
  std::wstring capturePath;  // non-empty: page-capture mode
  std::string theme = "system";
  std::vector<game_icon::Image> gameArt;
  json::Value lastRun;
  HWND mainWindow = nullptr;
  // Main window flags.
  bool quit = false;
  bool closePending = false;
  bool dark = false;
};

AppState& appState();

inline bool inCaptureMode() { return !appState().capturePath.empty(); }

}  // namespace myr::app
