#include "app/launcher_win.h"

#include <dwmapi.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "app/main_window_win.h"
#include "app/game_art_win.h"
#include "foundation/files/ascii_text.h"
#include "foundation/files/file_names.h"
#include "foundation/files/win_text.h"
#include "foundation/unique_resource_win.h"
#include "saves/restore_win.h"
#include "saves/save_folders.h"
#include "settings/schema.h"
#include "foundation/environment_win.h"
#include "settings/settings_file.h"
#include "runner/exit_record.h"
#include "runner/game_log_win.h"
#include "webui/bridge/bridge_win.h"

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

bool systemAppThemeIsDark() {
  DWORD lightTheme = 1;
  DWORD size = sizeof lightTheme;
  if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                   L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &lightTheme, &size) != ERROR_SUCCESS) {
    lightTheme = 1;
  }
  return lightTheme == 0;
}

// The page's commands in the order of its protocol's table.
constexpr std::array<std::string_view, 21> kTableOrder{
    "init",      "saveSettings", "savePad",    "chooseIso", "disc",          "play",     "stop",
    "saves",     "backup",       "formatCard", "restore",   "settleRestore", "open",     "thumb",
    "swapSystem", "shortcut",    "cacheInfo",  "clearCache", "keepOpen",     "quit",     "ready"};

std::size_t tablePosition(std::string_view name) {
  const auto found = std::find(kTableOrder.begin(), kTableOrder.end(), name);
  if (found == kTableOrder.end()) {
    throw std::logic_error("a command outside the table: " + std::string(name));
  }
  return static_cast<std::size_t>(found - kTableOrder.begin());
}

// The subsystems' lists, joined and put in table order.
commands::CommandList inTableOrder(std::initializer_list<commands::CommandList> lists) {
  commands::CommandList table;
  for (const commands::CommandList& list : lists) {
    table.insert(table.end(), list.begin(), list.end());
  }
  std::sort(table.begin(), table.end(), [](const commands::Command& a, const commands::Command& b) {
    return tablePosition(a.name) < tablePosition(b.name);
  });
  return table;
}

}  // namespace

Launcher::Launcher(LauncherSetup setup, std::unique_ptr<ModalUi> modalUi, const EngineFactory& makeEngine)
    : setup_(std::move(setup)),
      launcherLog_(setup_.gameFolder),
      modalUi_(std::move(modalUi)),
      uiQueue_(std::make_shared<browser::UiThreadQueue>(*this)),
      disc_(*this),
      runner_(setup_.gameFolder, *this),
      webHost_(*this, *this, makeEngine(uiQueue_, *this)) {
  webHost_.bridge().setCommands(
      inTableOrder({settings::settingsCommands(*this, setup_.gameFolder), disc_.commands(), runner_.commands(),
                    saves::saveCommands(*this), maintenance::maintenanceCommands(*this), ownCommands()}));
}

Launcher::~Launcher() {
  if (IsWindow(window_)) {
    DestroyWindow(window_);
  }
  uiQueue_->close();
}

bool Launcher::createWindow(const wchar_t* className, const WindowRect& rect) {
  // WM_NCCREATE hands this object to the window procedure, which sets window_.
  CreateWindowExW(0, className, kGameTitle, WS_OVERLAPPEDWINDOW, rect.left, rect.top, rect.width, rect.height, nullptr,
                  nullptr, GetModuleHandleW(nullptr), this);
  if (window_ == nullptr) {
    return false;
  }
  windowCreated_ = true;
  webHost_.bridge().setPostTarget(window_);
  return true;
}

void Launcher::note(std::string_view message) {
  launcherLog_.note(message);
  runner::pushLogLine(runner_.log(), "[myr_launcher] " + std::string(message));
}

commands::CommandList Launcher::ownCommands() {
  return {
      {"keepOpen",
       [this](const json::Value&, commands::Reply reply) {
         closePending_ = false;
         reply.result(json::Value::object());
       }},
      {"quit",
       [this](const json::Value&, commands::Reply reply) {
         reply.result(json::Value::object());
         quitWithoutAsking();
       }},
      {"ready",
       [this](const json::Value&, commands::Reply reply) {
         reply.result(json::Value::object());
         if (inCaptureMode()) {
           SetTimer(window_, kCaptureTimer, kCaptureDelayMs, nullptr);
         }
       }},
  };
}

void Launcher::setTheme(std::string theme) {
  setup_.theme = std::move(theme);
  applyTheme();
}

void Launcher::applyTheme() {
  dark_ = setup_.theme == "dark" || (setup_.theme == "system" && systemAppThemeIsDark());
  if (window_ == nullptr) {
    return;
  }
  const ThemeColours& colours = dark_ ? kDark : kLight;
  const BOOL dark = dark_ ? TRUE : FALSE;
  DwmSetWindowAttribute(window_, kImmersiveDarkMode, &dark, sizeof dark);
  DwmSetWindowAttribute(window_, kCaptionColour, &colours.caption, sizeof colours.caption);
  DwmSetWindowAttribute(window_, kTextColour, &colours.captionText, sizeof colours.captionText);
  if (browser::Controller* controller = webHost_.controller()) {
    controller->setDefaultBackgroundColor(colours.background);
  }
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// The game's figure where there is art, else the program's own icon; the icons made for the
// previous set go once the window holds the new ones.
void Launcher::setWindowIcons() {
  const std::vector<art::UniqueIcon> previous = createdIcons_.takeAll();
  const UINT dpi = GetDpiForWindow(window_);
  for (const auto& [which, metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
    const int size = GetSystemMetricsForDpi(metric, dpi);
    HICON icon = art::iconFromArt(gameArt_, size, createdIcons_);
    if (icon == nullptr) {
      icon = loadProgramIcon(size);
    }
    SendMessageW(window_, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
  }
}

disc::ImageSources Launcher::imageSources() const {
  const settings::IniDocument settings = settings::loadSettings(settings::settingsPath(setup_.gameFolder));
  return disc::ImageSources{getEnvUtf8(L"MYR_ISO"), settings.get("Game", "Iso", "")};
}

json::Value Launcher::discState() { return disc_.discState(); }

json::Value Launcher::quickSaveStates() { return saves::statesJson(saves::listStates(setup_.gameFolder)); }

// Exclusive file work may be in the middle of a restore, whose record is not a pending one.
json::Value Launcher::pendingRestore() {
  if (fileOperations_.busy()) return json::Value();
  return saves::pendingRestoreJson(saves::pendingRestore(setup_.gameFolder));
}

std::string Launcher::savesRefusal() {
  if (fileOperations_.busy() || !saves::pendingRestore(setup_.gameFolder)) return {};
  return std::string(saves::kRestorePendingRefusal);
}

// The pictures the page may show from the art host: at most 64 safe names of image files.
json::Value Launcher::artNames() {
  constexpr std::size_t kMostArt = 64;
  json::Value names = json::Value::array();
  std::error_code error;
  for (std::filesystem::directory_iterator entry(setup_.gameFolder / L"launcher-art", error), end;
       !error && entry != end && names.items().size() < kMostArt; entry.increment(error)) {
    const std::string name = toUtf8(entry->path().filename().wstring());
    const std::string extension = lowerAscii(toUtf8(entry->path().extension().wstring()));
    if (isSafeFileName(name) &&
        (extension == ".png" || extension == ".jpg" || extension == ".jpeg" || extension == ".webp")) {
      names.push(name);
    }
  }
  return names;
}

std::string Launcher::saveFormatSetting() const {
  return settings::loadSettings(settings::settingsPath(setup_.gameFolder)).get("Game", "SaveFormat", "");
}

bool Launcher::isAllowedImageSetting(const std::string& value) const {
  return settings::isAllowedSetting("Game", "Iso", value);
}

Status Launcher::storeImageSetting(const std::string& value) {
  return settings::writeSettings(settings::settingsPath(setup_.gameFolder), {{"Game", "Iso", value}});
}

void Launcher::imageStored(const std::filesystem::path& image) {
  std::vector<game_icon::Image> art = loadArtOfImage(image);
  if (art.empty()) {
    return;
  }
  gameArt_ = std::move(art);
  if (IsWindow(window_)) {
    setWindowIcons();
  }
}

void Launcher::sendEvent(std::string name, json::Value data) {
  webHost_.bridge().sendEvent(std::move(name), std::move(data));
}

void Launcher::failStart(const std::string& text, MessageButtons buttons) {
  if (modalUi_->showError(text, buttons) == MessageAnswer::Yes) {
    // The player takes the game without the page: the launcher waits for it, hidden.
    webHost_.givePageUp();
    if (const Result<DWORD> started = runner_.start(false, ""); started) {
      ShowWindow(window_, SW_HIDE);
      return;
    } else {
      modalUi_->showError(started.error().message, MessageButtons::Ok);
    }
  }
  // Ending 3, or 8 when the game could not start instead.
  DestroyWindow(window_);
}

bool Launcher::startGameWithoutPage() {
  const Result<DWORD> started = runner_.start(false, "");
  if (!started) {
    runner_.setLastRun(runner::startFailureRecord(started.error().message));
  }
  return started.ok();
}

void Launcher::playWithoutPage(int showCommand) {
  if (startGameWithoutPage()) {
    return;
  }
  ShowWindow(window_, showCommand);
  webHost_.startUi();
}

void Launcher::onGameExited(std::uint32_t exitCode) {
  bool stoppedByLauncher = false;
  const json::Value& record = runner_.finishRun(exitCode, stoppedByLauncher);
  if (webHost_.pageStarted()) {
    sendEvent("gameExited", record);
    restoreIfMinimised();
    SetForegroundWindow(window_);
    return;
  }
  if (exitCode == 0 || stoppedByLauncher) {
    // Ending 8.
    DestroyWindow(window_);
    return;
  }
  // The player sees why the game ended.
  ShowWindow(window_, SW_SHOWNORMAL);
  webHost_.startUi();
}

// A script's window.close() is no more than the player's click on the close box.
void Launcher::pageClosing() {
  // Ending 5.
  PostMessageW(window_, WM_CLOSE, 0, 0);
}

void Launcher::quitWithoutAsking() {
  quit_ = true;
  // Ending 4.
  PostMessageW(window_, WM_CLOSE, 0, 0);
}

void Launcher::resizeView(WPARAM sizeKind) {
  browser::Controller* controller = webHost_.controller();
  if (controller == nullptr) {
    return;
  }
  if (sizeKind != SIZE_MINIMIZED) {
    controller->setVisible(true);
  }
  RECT client{};
  GetClientRect(window_, &client);
  controller->setBounds(client);
}

void Launcher::restoreIfMinimised() {
  if (IsIconic(window_)) {
    ShowWindow(window_, SW_RESTORE);
  }
}

bool Launcher::handOver(const COPYDATASTRUCT* data) {
  if (data == nullptr || (data->dwData != kHandOverPlain && data->dwData != kHandOverPlay)) {
    return false;
  }
  if (data->dwData == kHandOverPlay && !runner_.running()) {
    if (const Result<DWORD> started = runner_.start(false, ""); started) {
      json::Value pid;
      pid.set("pid", static_cast<double>(*started));
      sendEvent("gameStarted", std::move(pid));
    } else if (webHost_.pageStarted()) {
      json::Value notice;
      notice.set("text", started.error().message);
      sendEvent("notice", std::move(notice));
    }
  }
  webHost_.startUi();
  ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(window_);
  return true;
}

// While the game runs or saves are being written, the page asks the player first.
void Launcher::onClose() {
  if (!webHost_.pageStarted() || webHost_.view() == nullptr || quit_ || closePending_) {
    // Ending 4 and 5.
    DestroyWindow(window_);
    return;
  }
  const bool running = runner_.running();
  const bool busy = fileOperations_.busy();
  if (!running && !busy) {
    // Ending 5.
    DestroyWindow(window_);
    return;
  }
  closePending_ = true;
  json::Value data;
  data.set("running", running).set("busy", busy);
  webHost_.bridge().sendEvent("closeRequested", std::move(data));
  restoreIfMinimised();
}

void Launcher::onDestroy() {
  webHost_.releaseBrowser();
  webHost_.bridge().setPostTarget(nullptr);
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  PostQuitMessage(0);
}

void Launcher::fillBackground(HDC dc) {
  RECT client{};
  GetClientRect(window_, &client);
  const UniqueResource<HBRUSH, &::DeleteObject> brush(CreateSolidBrush((dark_ ? kDark : kLight).background));
  FillRect(dc, &client, brush.get());
}

void Launcher::onCaptureTimer() {
  KillTimer(window_, kCaptureTimer);
  // Ending 6.
  webHost_.capturePage(setup_.capturePath, [window = window_] { DestroyWindow(window); });
}

LRESULT Launcher::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      resizeView(wParam);
      return 0;
    case WM_MOVE:
      if (browser::Controller* controller = webHost_.controller()) {
        controller->notifyParentWindowPositionChanged();
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && webHost_.controller() != nullptr) {
        webHost_.controller()->moveFocusProgrammatic();
      }
      break;
    case WM_GETMINMAXINFO: {
      // The minimum holds for the player's resizing; the size chosen at start-up may be smaller.
      if (!windowCreated_) {
        break;
      }
      const UINT dpi = GetDpiForWindow(window_);
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize.x = MulDiv(860, static_cast<int>(dpi), 96);
      info->ptMinTrackSize.y = MulDiv(580, static_cast<int>(dpi), 96);
      return 0;
    }
    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      setWindowIcons();
      return 0;
    }
    case WM_ERASEBKGND:
      fillBackground(reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_SETTINGCHANGE:
      if (lParam != 0 && lstrcmpW(reinterpret_cast<const wchar_t*>(lParam), L"ImmersiveColorSet") == 0) {
        applyTheme();
      }
      break;
    case WM_COPYDATA:
      if (handOver(reinterpret_cast<const COPYDATASTRUCT*>(lParam))) {
        return TRUE;
      }
      break;
    case WM_CLOSE:
      onClose();
      return 0;
    case WM_DESTROY:
      onDestroy();
      return 0;
    case WM_TIMER:
      if (wParam == kCaptureTimer) {
        onCaptureTimer();
      } else if (wParam == runner::kLogTimer) {
        runner_.flushLog();
      }
      return 0;
    case runner::WM_APP_GAME_EXITED:
      onGameExited(static_cast<std::uint32_t>(wParam));
      return 0;
    case bridge::WM_APP_POST_JSON:
      webHost_.bridge().deliverPosted(lParam);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace myr::app
