#include "app/startup_win.h"

#include <objbase.h>
#include <shellapi.h>

#include <future>
#include <memory>

#include "app/game_art_win.h"
#include "app/launcher_win.h"
#include "app/main_window_win.h"
#include "app/modal_ui_win.h"
#include "app/window_size.h"
#include "disc/disc_check_win.h"
#include "disc/extraction_win.h"
#include "foundation/environment_win.h"
#include "foundation/files/win_handle.h"
#include "foundation/guard.h"
#include "foundation/launcher_log_win.h"
#include "foundation/unique_resource_win.h"
#include "saves/restore_win.h"
#include "saves/save_leftovers_win.h"
#include "settings/settings_file.h"
#include "webui/browser/engine_choice_win.h"

namespace myr::app {
namespace {

constexpr wchar_t kInstanceMutexName[] = L"Local\\MyrLauncher.QXUS-40404";
constexpr UINT kHandOverTimeoutMs = 3000;

bool commandLineHasPlay() {
  int count = 0;
  const UniqueResource<LPWSTR*, &::LocalFree> arguments(CommandLineToArgvW(GetCommandLineW(), &count));
  if (!arguments) {
    return false;
  }
  for (int i = 1; i < count; ++i) {
    if (std::wstring_view(arguments.get()[i]) == L"--play") {
      return true;
    }
  }
  return false;
}

void handOverToFirstInstance(bool play) {
  const HWND first = FindWindowW(kWindowClassName, nullptr);
  if (first == nullptr) {
    return;
  }
  COPYDATASTRUCT data{};
  data.dwData = play ? kHandOverPlay : kHandOverPlain;
  DWORD_PTR ignored = 0;
  // Granted before the message: the first launcher brings itself forward while handling it, and
  // without the grant Windows would only flash its button.
  AllowSetForegroundWindow(ASFW_ANY);
  SendMessageTimeoutW(first, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, kHandOverTimeoutMs,
                      &ignored);
}

class ComApartment {
 public:
  ComApartment() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (initialised_) {
      CoUninitialize();
    }
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  bool initialised() const { return initialised_; }

 private:
  bool initialised_;
};

std::string readTheme(const std::filesystem::path& gameFolder, bool captureMode) {
  std::string theme = settings::loadSettings(settings::settingsPath(gameFolder)).get("Launcher", "Theme", "system");
  if (captureMode) {
    if (std::string override = getEnvUtf8(L"MYR_LAUNCHER_THEME"); !override.empty()) {
      theme = std::move(override);
    }
  }
  return theme;
}

// The art of the disc image in use, read beside the window's creation; without art the
// program's icon stands in.
std::future<std::vector<game_icon::Image>> startLoadingGameArt(Launcher& launcher) {
  const std::filesystem::path image = disc::defaultImagePath(launcher.imageSources(), launcher.gameFolder()).path;
  return std::async(std::launch::async, [image, &launcher] {
    std::vector<game_icon::Image> art;
    runGuarded(launcher, "reading the game art", [&] { art = loadArtOfImage(image); });
    return art;
  });
}

bool registerWindowClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = mainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hIcon = loadProgramIcon(GetSystemMetrics(SM_CXICON));
  windowClass.hIconSm = loadProgramIcon(GetSystemMetrics(SM_CXSMICON));
  windowClass.lpszClassName = kWindowClassName;
  return RegisterClassExW(&windowClass) != 0;
}

WindowRect initialWindowRect() {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const WindowSize size = parseSizeOverride(getEnvUtf8(L"MYR_LAUNCHER_SIZE")).value_or(kDefaultWindowSize);
  return mainWindowRect(WindowRect{work.left, work.top, work.right - work.left, work.bottom - work.top},
                        static_cast<int>(GetDpiForSystem()), size);
}

LauncherSetup readSetup(const std::filesystem::path& gameFolder) {
  LauncherSetup setup;
  setup.play = commandLineHasPlay();
  setup.gameFolder = gameFolder;
  setup.capturePath = getEnvWide(L"MYR_LAUNCHER_CAPTURE");
  setup.theme = readTheme(setup.gameFolder, !setup.capturePath.empty());
  return setup;
}

int runMessageLoop() {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

// The temporary files and folders a launcher ended in the middle of its work left behind; only
// names the launcher itself writes.
std::vector<std::string> leftoversRemoved(const std::filesystem::path& gameFolder) {
  std::vector<std::string> removed = saves::removeSaveLeftovers(gameFolder);
  for (const std::string& name : disc::removeExtractionLeftovers(gameFolder / L"disc", disc::kGameFileTable)) {
    removed.push_back("disc\\" + name);
  }
  if (std::optional<std::string> settings = settings::removeSettingsLeftover(gameFolder)) removed.push_back(*settings);
  return removed;
}

std::unique_ptr<browser::Engine> engineOfTheEnvironment(std::shared_ptr<browser::UiThreadQueue> queue, LogSink& log) {
  return browser::makeEngine(getEnvUtf8(L"MYR_LAUNCHER_BROWSER"), std::move(queue), log);
}

int runUnguarded(HINSTANCE instance, int showCommand, const std::filesystem::path& gameFolder,
                 const EngineFactory& makeEngine) {
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  const bool play = commandLineHasPlay();

  const WinHandle instanceMutex(CreateMutexW(nullptr, FALSE, kInstanceMutexName));
  if (instanceMutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    handOverToFirstInstance(play);
    // Ending 1.
    return 0;
  }

  const ComApartment com;
  if (!com.initialised() || !registerWindowClass(instance)) {
    // Ending 2.
    return 1;
  }
  LauncherSetup setup = readSetup(gameFolder);

  const bool headless = getEnvUtf8(L"MYR_LAUNCHER_BROWSER") == "stdio";
  std::unique_ptr<Launcher> launcher;
  std::unique_ptr<ModalUi> modalUi =
      headless ? makeHeadlessModalUi()
               : makeDesktopModalUi([&launcher] { return launcher ? launcher->window() : nullptr; });
  launcher = std::make_unique<Launcher>(std::move(setup), std::move(modalUi), makeEngine);
  std::future<std::vector<game_icon::Image>> art = startLoadingGameArt(*launcher);
  if (!launcher->setupPlay()) {
    launcher->webHost().startBrowserEarly();
  }
  if (!launcher->createWindow(kWindowClassName, initialWindowRect())) {
    // Ending 2.
    return 1;
  }
  // A restore cut off by the launcher's end is finished before anything lists or changes the saves.
  if (const std::string settled = saves::finishInterruptedRestore(launcher->gameFolder()); !settled.empty()) {
    launcher->note(settled);
  }
  for (const std::string& leftover : leftoversRemoved(launcher->gameFolder())) {
    launcher->note("Removed what an interrupted launcher had left: " + leftover);
  }
  launcher->setGameArt(art.get());
  launcher->setWindowIcons();
  launcher->applyTheme();

  if (launcher->setupPlay()) {
    launcher->playWithoutPage(showCommand);
  } else {
    ShowWindow(launcher->window(), launcher->inCaptureMode() ? SW_SHOWNOACTIVATE : showCommand);
    launcher->webHost().startUi();
  }
  return runMessageLoop();
}

}  // namespace

int runLauncher(HINSTANCE instance, int showCommand) { return runLauncher(instance, showCommand, engineOfTheEnvironment); }

int runLauncher(HINSTANCE instance, int showCommand, const EngineFactory& makeEngine) {
  const std::filesystem::path gameFolder = resolveGameFolder();
  noteTerminationInLauncherLog(gameFolder);
  AppendingLauncherLog lastWords(gameFolder);
  int exitCode = 1;
  runGuarded(lastWords, "the launcher", [&] { exitCode = runUnguarded(instance, showCommand, gameFolder, makeEngine); });
  return exitCode;
}

}  // namespace myr::app
