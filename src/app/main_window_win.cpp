#include "app/main_window_win.h"

#include <dwmapi.h>

#include <memory>
#include <type_traits>

#include "app/app_state_win.h"
#include "runner/game_process_win.h"
#include "webui/file_operations.h"
#include "webui/bridge/bridge_win.h"
#include "webui/page_host_win.h"
#include "webui/web_host_win.h"

namespace myr::app {
namespace {

struct ThemeColours {
  COLORREF background;
  COLORREF caption;
  COLORREF captionText;
};

constexpr ThemeColours kDark{RGB(16, 20, 20), RGB(16, 20, 20), RGB(223, 227, 226)};
constexpr ThemeColours kLight{RGB(246, 250, 248), RGB(246, 250, 248), RGB(24, 28, 28)};

// Older SDKs lack these attribute ids; the values are the system's.
constexpr DWORD kImmersiveDarkMode = 20;
constexpr DWORD kCaptionColour = 35;
constexpr DWORD kTextColour = 36;

const ThemeColours& currentColours() { return appState().dark ? kDark : kLight; }

bool systemAppThemeIsDark() {
  DWORD lightTheme = 1;
  DWORD size = sizeof lightTheme;
  if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                   L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &lightTheme, &size) != ERROR_SUCCESS) {
    lightTheme = 1;
  }
  return lightTheme == 0;
}

void resizeView(HWND window, WPARAM sizeKind) {
  browser::Controller* controller = webHost().controller.get();
  if (controller == nullptr) {
    return;
  }
  if (sizeKind != SIZE_MINIMIZED) {
    controller->setVisible(true);
  }
  RECT client{};
  GetClientRect(window, &client);
  controller->setBounds(client);
}

void restoreIfMinimised(HWND window) {
  if (IsIconic(window)) {
    ShowWindow(window, SW_RESTORE);
  }
}

bool handOver(HWND window, const COPYDATASTRUCT& data) {
  if (data.dwData != kHandOverPlain && data.dwData != kHandOverPlay) {
    return false;
  }
  if (!webHost().pageStarted) {
    startUi();
  }
  ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(window);
  return true;
}

// While the game runs or saves are being written, the page asks the player first.
void onClose(HWND window) {
  AppState& state = appState();
  if (!webHost().pageStarted || !webHost().view || state.quit || state.closePending) {
    DestroyWindow(window);
    return;
  }
  const bool running = runner::gameProcess().tracked();
  const bool busy = fileOperationBusy().load();
  if (!running && !busy) {
    DestroyWindow(window);
    return;
  }
  state.closePending = true;
  json::Value data;
  data.set("running", running).set("busy", busy);
  bridge::sendEvent("closeRequested", std::move(data));
  restoreIfMinimised(window);
}

void onDestroy() {
  releaseBrowser();
  // The game keeps running on its own when the launcher goes.
  if (runner::gameProcess().pump.joinable()) {
    runner::gameProcess().pump.detach();
  }
  PostQuitMessage(0);
}

void fillBackground(HWND window, HDC dc) {
  RECT client{};
  GetClientRect(window, &client);
  const std::unique_ptr<std::remove_pointer_t<HBRUSH>, decltype(&DeleteObject)> brush(
      CreateSolidBrush(currentColours().background), DeleteObject);
  FillRect(dc, &client, brush.get());
}

}  // namespace

void applyTheme() {
  AppState& state = appState();
  state.dark = state.theme == "dark" || (state.theme == "system" && systemAppThemeIsDark());
  const HWND window = state.mainWindow;
  if (window == nullptr) {
    return;
  }
  const ThemeColours& colours = currentColours();
  const BOOL dark = state.dark ? TRUE : FALSE;
  DwmSetWindowAttribute(window, kImmersiveDarkMode, &dark, sizeof dark);
  DwmSetWindowAttribute(window, kCaptionColour, &colours.caption, sizeof colours.caption);
  DwmSetWindowAttribute(window, kTextColour, &colours.captionText, sizeof colours.captionText);
  if (browser::Controller* controller = webHost().controller.get()) {
    controller->setDefaultBackgroundColor(colours.background);
  }
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void setWindowIcons(HWND window) {
  const UINT dpi = GetDpiForWindow(window);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  for (const auto& [which, metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
    const int size = GetSystemMetricsForDpi(metric, dpi);
    const auto icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_SHARED));
    SendMessageW(window, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
  }
}

void clearClosePending() { appState().closePending = false; }

void quitWithoutAsking() {
  appState().quit = true;
  PostMessageW(appState().mainWindow, WM_CLOSE, 0, 0);
}

void startCaptureTimerInCaptureMode() {
  if (inCaptureMode()) {
    SetTimer(appState().mainWindow, kCaptureTimer, kCaptureDelayMs, nullptr);
  }
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      resizeView(window, wParam);
      return 0;
    case WM_MOVE:
      if (browser::Controller* controller = webHost().controller.get()) {
        controller->notifyParentWindowPositionChanged();
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && webHost().controller) {
        webHost().controller->moveFocusProgrammatic();
      }
      break;
    case WM_GETMINMAXINFO: {
      // The minimum holds for the player's resizing; the size chosen at start-up may be smaller.
      if (appState().mainWindow == nullptr) {
        break;
      }
      const UINT dpi = GetDpiForWindow(window);
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize.x = MulDiv(860, static_cast<int>(dpi), 96);
      info->ptMinTrackSize.y = MulDiv(580, static_cast<int>(dpi), 96);
      return 0;
    }
    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      setWindowIcons(window);
      return 0;
    }
    case WM_ERASEBKGND:
      fillBackground(window, reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_SETTINGCHANGE:
      if (lParam != 0 && lstrcmpW(reinterpret_cast<const wchar_t*>(lParam), L"ImmersiveColorSet") == 0) {
        applyTheme();
      }
      break;
    case WM_COPYDATA:
      if (handOver(window, *reinterpret_cast<const COPYDATASTRUCT*>(lParam))) {
        return TRUE;
      }
      break;
    case WM_CLOSE:
      onClose(window);
      return 0;
    case WM_DESTROY:
      onDestroy();
      return 0;
    case WM_TIMER:
      if (wParam == kCaptureTimer) {
        capturePage();
      }
      return 0;
    case bridge::WM_APP_POST_JSON:
      bridge::deliverPostedJson(lParam);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace myr::app
