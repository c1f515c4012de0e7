#include "webui/page_host_win.h"

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "app/app_state_win.h"
#include "app/environment_win.h"
#include "app/main_window_win.h"
#include "app/modal_ui_win.h"
#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"
#include "runner/game_log_win.h"
#include "webui/bridge/bridge_win.h"
#include "webui/bridge/hosts.h"
#include "webui/browser/engine_choice_win.h"
#include "webui/web_host_win.h"

namespace myr {
namespace {

using browser::Controller;
using browser::Environment;

constexpr char kTargetRuntimeVersion[] = "130.0.2849.39";
constexpr char kGameInsteadQuestion[] = "\n\nStart the game with the current myr.ini instead?";

void destroyMainWindow() { DestroyWindow(app::appState().mainWindow); }

void failStart(const std::string& text) {
  app::modalUi().showError(app::appState().mainWindow, text, app::MessageButtons::Ok);
  destroyMainWindow();
}

std::string didNotStart(HRESULT result) {
  return "WebView2 did not start: " + systemErrorText(static_cast<unsigned long>(result));
}

std::optional<browser::EnvironmentOptions> environmentOptions() {
  const std::string portText = app::getEnvUtf8(L"MYR_LAUNCHER_DEVTOOLS_PORT");
  if (portText.empty()) {
    return std::nullopt;
  }
  const std::optional<long> port = parseDebuggingPort(portText);
  if (!port) {
    runner::pushLogLine("[myr_launcher] MYR_LAUNCHER_DEVTOOLS_PORT=" + portText +
                        " ignored: not a port from 1024 to 65535");
    return std::nullopt;
  }
  browser::EnvironmentOptions options;
  if (std::string extra = app::getEnvUtf8(L"WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS"); !extra.empty()) {
    options.additionalBrowserArguments = toWide(extra + " ");
  }
  options.additionalBrowserArguments += L"--remote-debugging-port=" + std::to_wstring(*port);
  options.targetCompatibleBrowserVersion = toWide(kTargetRuntimeVersion);
  return options;
}

void applySettings(browser::ViewSettings& settings) {
  const bool developerMode = app::getEnvUtf8(L"MYR_LAUNCHER_DEVTOOLS") == "1";
  settings.setDevToolsEnabled(developerMode);
  settings.setDefaultContextMenusEnabled(developerMode);
  settings.setStatusBarEnabled(false);
  settings.setZoomControlEnabled(false);
  settings.setHostObjectsAllowed(false);
  settings.setBuiltInErrorPageEnabled(false);
  // Older engines lack the newer groups; each skips what it does not offer.
  settings.setBrowserAcceleratorKeysEnabled(developerMode);
  settings.setAutofill(false, false);
  settings.setPinchZoomEnabled(false);
  settings.setSwipeNavigationEnabled(false);
}

void mapHosts(browser::View& view) {
  const std::filesystem::path& gameFolder = app::appState().gameFolder;
  view.mapHostToFolder(bridge::kUiHost, (gameFolder / L"launcher-ui").wstring(), browser::HostAccess::Deny);
  const std::filesystem::path artFolder = gameFolder / L"launcher-art";
  if (fileStatus(artFolder).isDirectory) {
    view.mapHostToFolder(bridge::kArtHost, artFolder.wstring(), browser::HostAccess::DenyCors);
  }
}

void configureWebView(browser::View& view) {
  view.onWebMessage(bridge::onWebMessageReceived);
  view.onNavigationStarting(onNavigationStarting);
  view.onNewWindowRequested(onNewWindowRequested);
  if (view.supportsDownloadEvents()) {
    view.onDownloadStarting(onDownloadStarting);
  }
  view.onProcessFailed(onProcessFailed);
  view.onWindowCloseRequested(app::quitWithoutAsking);
}

HRESULT onControllerCreated(HRESULT result, std::shared_ptr<Controller> controller) {
  if (FAILED(result) || !controller) {
    failStart(didNotStart(result));
    return S_OK;
  }
  WebHost& host = webHost();
  host.controller = std::move(controller);
  host.view = host.controller->view();
  app::applyTheme();
  RECT client{};
  GetClientRect(app::appState().mainWindow, &client);
  host.controller->setBounds(client);
  applySettings(host.view->settings());
  if (!host.view->supportsHostMapping()) {
    failStart("The WebView2 Runtime is too old for the launcher. Update Microsoft Edge WebView2.");
    return S_OK;
  }
  mapHosts(*host.view);
  configureWebView(*host.view);
  host.view->navigate(bridge::kStartUrl);
  return S_OK;
}

std::string engineMissingQuestion(HRESULT result) {
  if (result == browser::kEngineNotFound) {
    return std::string(
               "The Microsoft Edge WebView2 Runtime is not installed. Install it from Microsoft (search for "
               "\"WebView2 Runtime\"), then start the launcher again.") +
           kGameInsteadQuestion;
  }
  return didNotStart(result) + "." + kGameInsteadQuestion;
}

HRESULT onEnvironmentCreated(HRESULT result, std::shared_ptr<Environment> environment) {
  WebHost& host = webHost();
  if (SUCCEEDED(result) && environment) {
    host.environment = std::move(environment);
    return host.environment->createController(app::appState().mainWindow, onControllerCreated);
  }
  app::modalUi().showError(app::appState().mainWindow, engineMissingQuestion(result), app::MessageButtons::YesNo);
  // Starting the game instead arrives with the game runner; until then both answers end the launcher.
  destroyMainWindow();
  return S_OK;
}

}  // namespace

std::optional<long> parseDebuggingPort(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long port = std::strtol(begin, &end, 10);
  if (end == begin || *end != '\0' || errno == ERANGE || port < 1024 || port > 65535) {
    return std::nullopt;
  }
  return port;
}

WebHost& webHost() {
  static WebHost host;
  return host;
}

void releaseBrowser() {
  WebHost& host = webHost();
  if (auto controller = std::exchange(host.controller, nullptr)) {
    controller->close();
  }
  host.view = nullptr;
  host.environment = nullptr;
}

void startUi() {
  WebHost& host = webHost();
  if (host.pageStarted) {
    return;
  }
  host.pageStarted = true;
  const std::filesystem::path pageFile = app::appState().gameFolder / L"launcher-ui" / L"index.html";
  if (!fileStatus(pageFile).exists) {
    failStart("The launcher's page is missing: " + toUtf8(pageFile.wstring()));
    return;
  }
  const std::filesystem::path profile = app::knownFolderPath(FOLDERID_LocalAppData) / L"myr_launcher";
  const std::optional<browser::EnvironmentOptions> options = environmentOptions();
  if (!host.engine) {
    host.engine = browser::makeEngine(app::getEnvUtf8(L"MYR_LAUNCHER_BROWSER"));
  }
  const HRESULT started =
      host.engine->createEnvironment(profile.wstring(), options ? &*options : nullptr, onEnvironmentCreated);
  if (FAILED(started)) {
    failStart(didNotStart(started));
  }
}

}  // namespace myr
