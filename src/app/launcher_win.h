#pragma once

// The launcher's state, owned by one object on the UI thread: the main window, the page's
// browser and bridge, the modal UI, the game, its log and the file operations.
//
// How the launcher ends (each place is marked "Ending N:"):
//   1. A second start hands its request to the first launcher and exits (runLauncher).
//   2. COM, the window class or the main window cannot be set up: exit code 1 (runLauncher).
//   3. The page cannot be shown: the player is told why, then the window goes (failStart).
//   4. The page answers "quit", or the headless page's input ends (pageAbandoned): the window
//      closes without asking (quitWithoutAsking, then onClose).
//   5. A close while nothing runs, or a second close before the page answered (onClose); the
//      page asking to close its window is such a close (pageClosing).
//   6. Capture mode: the picture of the page is written (capture timer).
//   7. The headless page's input ends while no page is left to ask (its backend posts WM_CLOSE).
//   8. A game started without the page ends with code 0 or is stopped from the launcher
//      (onGameExited); or it cannot start after the page was given up for it (failStart).
// Every ending but 1 and 2 destroys the main window, whose WM_DESTROY posts WM_QUIT; the game
// and the workers of file operations are never waited for and end with the process.

#include <windows.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <cstdint>
#include <string>
#include <vector>

#include "app/window_size.h"
#include "art/game_icon.h"
#include "art/icons_win.h"
#include "disc/disc_check_win.h"
#include "disc/disc_commands_win.h"
#include "maintenance/maintenance_commands_win.h"
#include "saves/save_commands_win.h"
#include "settings/settings_commands_win.h"
#include "foundation/commands/command.h"
#include "foundation/commands/file_operations.h"
#include "foundation/json/json.h"
#include "foundation/launcher_log_win.h"
#include "foundation/modal_ui.h"
#include "runner/game_runner_win.h"
#include "runner/log_queue.h"
#include "webui/browser/browser_win.h"
#include "webui/browser/ui_thread_queue_win.h"
#include "webui/page_owner_win.h"
#include "webui/web_host_win.h"

namespace myr::app {

// What start-up learned before the launcher exists.
struct LauncherSetup {
  std::filesystem::path gameFolder;
  bool play = false;
  std::wstring capturePath;  // non-empty: page-capture mode
  std::string theme = "system";
};

// An engine whose asynchronous results arrive through the queue and whose failures go to the log.
using EngineFactory =
    std::function<std::unique_ptr<browser::Engine>(std::shared_ptr<browser::UiThreadQueue>, LogSink& log)>;

class Launcher final : public LogSink,
                       public webui::PageOwner,
                       public runner::RunnerHost,
                       public disc::DiscHost,
                       public saves::SavesHost,
                       public settings::SettingsHost,
                       public maintenance::MaintenanceHost {
 public:
  Launcher(LauncherSetup setup, std::unique_ptr<ModalUi> modalUi, const EngineFactory& makeEngine);
  ~Launcher() override;
  Launcher(const Launcher&) = delete;
  Launcher& operator=(const Launcher&) = delete;

  // The hidden main window, of a class registered with mainWindowProc.
  bool createWindow(const wchar_t* className, const WindowRect& rect);
  // The window procedure, at WM_NCCREATE: messages of creation already reach the launcher.
  void attachWindow(HWND window) { window_ = window; }
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // The launcher's own log, and the game log's queue, which the page shows while a game runs.
  void note(std::string_view message) override;

  void setGameArt(std::vector<game_icon::Image> art) { gameArt_ = std::move(art); }
  void setTheme(std::string theme) override;
  void setCapturePath(std::wstring path) { setup_.capturePath = std::move(path); }
  bool inCaptureMode() const override { return !setup_.capturePath.empty(); }
  bool setupPlay() const { return setup_.play; }
  bool dark() const { return dark_; }
  void applyTheme();
  void setWindowIcons();

  webui::WebHost& webHost() { return webHost_; }
  bridge::Bridge& bridge() { return webHost_.bridge(); }
  runner::LogQueue& logQueue() { return runner_.log(); }
  runner::GameRunner& runner() { return runner_; }
  runner::GameProcess& game() { return runner_.game(); }
  commands::FileOperations& fileOperations() override { return fileOperations_; }

  // Start-up with "--play": the game at once, without the page; the page only when it cannot start.
  void playWithoutPage(int showCommand);

  disc::DiscCommands& disc() { return disc_; }

  // What the subsystems need of their owner
  HWND window() const override { return window_; }
  bool fileOperationBusy() const override { return fileOperations_.busy(); }
  json::Value discState() override;
  void sendEvent(std::string name, json::Value data) override;
  const std::filesystem::path& gameFolder() const override { return setup_.gameFolder; }
  void themeChanged() override { applyTheme(); }
  void pageClosing() override;
  void pageAbandoned() override { quitWithoutAsking(); }
  void failStart(const std::string& text, MessageButtons buttons) override;
  json::Value imageDropped(const std::filesystem::path& image) override { return disc_.storeImagePath(image); }
  // Where the player named a disc image: MYR_ISO and myr.ini's Game.Iso.
  disc::ImageSources imageSources() const override;
  ModalUi& modalUi() override { return *modalUi_; }
  bool isAllowedImageSetting(const std::string& value) const override;
  Status storeImageSetting(const std::string& value) override;
  void imageStored(const std::filesystem::path& image) override;
  std::function<bool(std::string)> poster() override { return webHost_.bridge().poster(); }
  std::string runningGuard() const override { return runner_.runningGuard(); }
  std::filesystem::path discFolder() const override { return disc::findDiscFolder(setup_.gameFolder); }
  std::string saveFormatSetting() const override;
  std::string webviewVersion() override { return webHost_.installedVersion(); }
  json::Value refreshDiscState(const settings::IniDocument&) override { return disc_.refreshDiscState(false); }
  json::Value quickSaveStates() override;
  bool gameRunning() const override { return runner_.running(); }
  json::Value artNames() override;
  json::Value lastRun() const override { return runner_.lastRun(); }
  json::Value pendingRestore() override;
  std::string savesRefusal() override;

 private:
  // The launcher's own commands: the page's answers to "closeRequested" and its "ready".
  commands::CommandList ownCommands();
  void quitWithoutAsking();
  void onClose();
  void onDestroy();
  bool handOver(const COPYDATASTRUCT* data);
  void resizeView(WPARAM sizeKind);
  void restoreIfMinimised();
  void fillBackground(HDC dc);
  void onCaptureTimer();
  void onGameExited(std::uint32_t exitCode);
  // A game started without the page; false (and its refusal as lastRun) when it could not start.
  bool startGameWithoutPage();

  LauncherSetup setup_;
  LauncherLog launcherLog_;
  std::unique_ptr<ModalUi> modalUi_;
  std::shared_ptr<browser::UiThreadQueue> uiQueue_;
  commands::FileOperations fileOperations_;
  disc::DiscCommands disc_;
  runner::GameRunner runner_;
  webui::WebHost webHost_;
  HWND window_ = nullptr;
  bool windowCreated_ = false;
  bool quit_ = false;
  bool closePending_ = false;
  bool dark_ = false;
  std::vector<game_icon::Image> gameArt_;
  art::CreatedIcons createdIcons_;
};

}  // namespace myr::app
