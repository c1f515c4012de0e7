#include "app/startup_win.h"

#include <objbase.h>
#include <shellapi.h>

#include <future>
#include <memory>
#include <type_traits>

#include "app/app_state_win.h"
#include "app/environment_win.h"
#include "app/main_window_win.h"
#include "app/modal_ui_win.h"
#include "app/window_size.h"
#include "foundation/files/win_handle.h"
#include "settings/settings_file.h"
#include "webui/bridge/bridge_win.h"
#include "webui/page_host_win.h"

namespace myr::app {
namespace {

constexpr wchar_t kInstanceMutexName[] = L"Local\\MyrLauncher.QXUS-40404";
constexpr UINT kHandOverTimeoutMs = 3000;

bool commandLineHasPlay() {
  int count = 0;
  const std::unique_ptr<LPWSTR, decltype(&LocalFree)> arguments(CommandLineToArgvW(GetCommandLineW(), &count),
                                                                  LocalFree);
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
  SendMessageTimeoutW(first, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, kHandOverTimeoutMs,
                      &ignored);
  AllowSetForegroundWindow(ASFW_ANY);
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

void readTheme(AppState& state) {
  state.theme = loadSettings(settingsPath(state.gameFolder)).get("Launcher", "Theme", "system");
  if (inCaptureMode()) {
    if (std::string theme = getEnvUtf8(L"MYR_LAUNCHER_THEME"); !theme.empty()) {
      state.theme = std::move(theme);
    }
  }
}

// The art of the disc image in use, read beside the window's creation. No image can be
// chosen yet, so there is no art to read.
std::future<std::vector<game_icon::Image>> startLoadingGameArt() {
  return std::async(std::launch::async, [] { return std::vector<game_icon::Image>{}; });
}

void registerWindowClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = mainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                      LR_SHARED));
  windowClass.lpszClassName = kWindowClassName;
  RegisterClassExW(&windowClass);
}

WindowRect initialWindowRect() {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const WindowSize size = parseSizeOverride(getEnvUtf8(L"MYR_LAUNCHER_SIZE")).value_or(kDefaultWindowSize);
  return mainWindowRect(WindowRect{work.left, work.top, work.right - work.left, work.bottom - work.top},
                        static_cast<int>(GetDpiForSystem()), size);
}

HWND createMainWindow(HINSTANCE instance) {
  const WindowRect rect = initialWindowRect();
  return CreateWindowExW(0, kWindowClassName, kWindowTitle, WS_OVERLAPPEDWINDOW, rect.left, rect.top, rect.width,
                         rect.height, nullptr, nullptr, instance, nullptr);
}

int runMessageLoop() {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

}  // namespace

int runLauncher(HINSTANCE instance, int showCommand) {
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  AppState& state = appState();
  state.playFlag = commandLineHasPlay();

  const WinHandle instanceMutex(CreateMutexW(nullptr, FALSE, kInstanceMutexName));
  if (instanceMutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    handOverToFirstInstance(state.playFlag);
    return 0;
  }

  const ComApartment com;
  if (!com.initialised()) {
    return 1;
  }
  if (getEnvUtf8(L"MYR_LAUNCHER_BROWSER") == "stdio") {
    setModalUi(makeHeadlessModalUi());
  }
  state.gameFolder = resolveGameFolder();
  state.capturePath = getEnvWide(L"MYR_LAUNCHER_CAPTURE");
  readTheme(state);
  std::future<std::vector<game_icon::Image>> art = startLoadingGameArt();

  registerWindowClass(instance);
  state.mainWindow = createMainWindow(instance);
  if (state.mainWindow == nullptr) {
    return 1;
  }
  bridge::setPostJsonTarget(state.mainWindow);
  state.gameArt = art.get();
  setWindowIcons(state.mainWindow);
  applyTheme();

  ShowWindow(state.mainWindow, inCaptureMode() ? SW_SHOWNOACTIVATE : showCommand);
  startUi();
  return runMessageLoop();
}

}  // namespace myr::app
