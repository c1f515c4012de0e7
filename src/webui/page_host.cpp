#include "webui/page_host.h"


#include <utility>

#include "app/app_state.h"
#include "app/environment.h"
#include "app/main_window.h"
#include "app/modal_ui.h"
#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"
#include "webui/bridge/bridge.h"
#include "webui/bridge/hosts.h"
#include "webui/browser/engine_choice.h"
#include "webui/web_host.h"

namespace myr {
namespace {

using browser::Controller;
using browser::Environment;

void destroyMainWindow() { DestroyWindow(app::appState().mainWindow); }

void failStart(const std::string& text) {
  app::modalUi().showError(app::appState().mainWindow, text, app::MessageButtons::Ok);
  destroyMainWindow();
}

void onWindowCloseRequested() { app::quitWithoutAsking(); }

void configureWebView(browser::View& view) {
  view.onWebMessage(bridge::onWebMessageReceived);
  view.onWindowCloseRequested(onWindowCloseRequested);
}

HRESULT onControllerCreated(HRESULT result, std::shared_ptr<Controller> controller) {
  if (FAILED(result) || !controller) {
    failStart("WebView2 did not start: " + systemErrorText(static_cast<DWORD>(result)));
    return S_OK;
  }
  WebHost& host = webHost();
  host.controller = std::move(controller);
  host.view = host.controller->view();
  app::applyTheme();
  RECT client{};
  GetClientRect(app::appState().mainWindow, &client);
  host.controller->setBounds(client);
  configureWebView(*host.view);
  host.view->navigate(bridge::kStartUrl);
  return S_OK;
}

HRESULT onEnvironmentCreated(HRESULT result, std::shared_ptr<Environment> environment) {
  WebHost& host = webHost();
  if (SUCCEEDED(result) && environment) {
    host.environment = std::move(environment);
    return host.environment->createController(app::appState().mainWindow, onControllerCreated);
  }
  failStart("WebView2 did not start: " + systemErrorText(static_cast<DWORD>(result)));
  return S_OK;
}

}  // namespace

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
  if (!host.engine) {
    host.engine = browser::makeEngine(app::getEnvUtf8(L"MYR_LAUNCHER_BROWSER"));
  }
  const HRESULT started = host.engine->createEnvironment(profile.wstring(), nullptr, onEnvironmentCreated);
  if (FAILED(started)) {
    failStart("WebView2 did not start: " + systemErrorText(static_cast<DWORD>(started)));
  }
}

void capturePage() {
  KillTimer(app::appState().mainWindow, app::kCaptureTimer);
  destroyMainWindow();
}

}  // namespace myr
