#include "webui/web_host_win.h"

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "foundation/environment_win.h"
#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"
#include "webui/bridge/hosts.h"

namespace myr::webui {
namespace {

using browser::Controller;
using browser::Environment;

constexpr char kTargetRuntimeVersion[] = "130.0.2849.39";
constexpr char kGameInsteadQuestion[] = "\n\nStart the game with the current myr.ini instead?";

std::string didNotStart(HRESULT result) {
  return "WebView2 did not start: " + systemErrorText(static_cast<unsigned long>(result));
}

void applySettings(browser::ViewSettings& settings) {
  const bool developerMode = getEnvUtf8(L"MYR_LAUNCHER_DEVTOOLS") == "1";
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

std::string engineMissingQuestion(HRESULT result) {
  if (result == browser::kEngineNotFound) {
    return std::string(
               "The Microsoft Edge WebView2 Runtime is not installed. Install it from Microsoft (search for "
               "\"WebView2 Runtime\"), then start the launcher again.") +
           kGameInsteadQuestion;
  }
  return didNotStart(result) + "." + kGameInsteadQuestion;
}

}  // namespace

WebHost::WebHost(PageOwner& owner, LogSink& log, std::unique_ptr<browser::Engine> engine)
    : owner_(owner),
      log_(log),
      engine_(std::move(engine)),
      bridge_([this] { return view_.get(); }, [&log](const std::string& what) { log.note(what); }) {}

std::optional<browser::EnvironmentOptions> WebHost::environmentOptions() {
  const std::string portText = getEnvUtf8(L"MYR_LAUNCHER_DEVTOOLS_PORT");
  if (portText.empty()) {
    return std::nullopt;
  }
  const std::optional<long> port = parseDebuggingPort(portText);
  if (!port) {
    log_.note("MYR_LAUNCHER_DEVTOOLS_PORT=" + portText + " ignored: not a port from 1024 to 65535");
    return std::nullopt;
  }
  browser::EnvironmentOptions options;
  if (std::string extra = getEnvUtf8(L"WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS"); !extra.empty()) {
    options.additionalBrowserArguments = toWide(extra + " ");
  }
  options.additionalBrowserArguments += L"--remote-debugging-port=" + std::to_wstring(*port);
  options.targetCompatibleBrowserVersion = toWide(kTargetRuntimeVersion);
  return options;
}

void WebHost::mapHosts(browser::View& view) {
  const std::filesystem::path& gameFolder = owner_.gameFolder();
  view.mapHostToFolder(bridge::kUiHost, (gameFolder / L"launcher-ui").wstring(), browser::HostAccess::Deny);
  const auto fromMemory = [](std::string contentType, std::string body) -> std::optional<browser::MemoryResource> {
    if (body.empty()) {
      return std::nullopt;
    }
    return browser::MemoryResource{std::move(contentType), std::move(body)};
  };
  view.serveFromMemory(bridge::kFaviconUrl,
                       [this, fromMemory] { return fromMemory("image/x-icon", owner_.programIconFile()); });
  view.serveFromMemory(bridge::kGameFigureUrl,
                       [this, fromMemory] { return fromMemory("image/png", owner_.gameFigurePng()); });
  const std::filesystem::path artFolder = gameFolder / L"launcher-art";
  if (fileStatus(artFolder).isDirectory) {
    view.mapHostToFolder(bridge::kArtHost, artFolder.wstring(), browser::HostAccess::DenyCors);
  }
}

void WebHost::configureWebView(browser::View& view) {
  view.onWebMessage([this](const browser::WebMessage& message) { bridge_.onWebMessageReceived(message); });
  view.onNavigationStarting([this](browser::NavigationStarting& navigation) { onNavigationStarting(navigation); });
  view.onNewWindowRequested([this](browser::NewWindowRequest& request) { onNewWindowRequested(request); });
  if (view.supportsDownloadEvents()) {
    view.onDownloadStarting([this](browser::DownloadStarting& download) { onDownloadStarting(download); });
  }
  view.onProcessFailed([this](browser::ProcessFailure failure) { onProcessFailed(failure); });
  view.onWindowCloseRequested([this] { owner_.pageClosing(); });
  view.onPageAbandoned([this] { owner_.pageAbandoned(); });
}

HRESULT WebHost::onControllerCreated(HRESULT result, std::shared_ptr<Controller> controller) {
  if (FAILED(result) || !controller) {
    owner_.failStart(didNotStart(result), MessageButtons::Ok);
    return S_OK;
  }
  controller_ = std::move(controller);
  view_ = controller_->view();
  owner_.themeChanged();
  RECT client{};
  GetClientRect(owner_.window(), &client);
  controller_->setBounds(client);
  applySettings(view_->settings());
  if (!view_->supportsHostMapping()) {
    owner_.failStart("The WebView2 Runtime is too old for the launcher. Update Microsoft Edge WebView2.",
                     MessageButtons::Ok);
    return S_OK;
  }
  mapHosts(*view_);
  configureWebView(*view_);
  view_->navigate(bridge::kStartUrl);
  return S_OK;
}

HRESULT WebHost::onEnvironmentCreated(HRESULT result, std::shared_ptr<Environment> environment) {
  if (SUCCEEDED(result) && environment) {
    environment_ = std::move(environment);
    return environment_->createController(owner_.window(),
                                          [this](HRESULT created, std::shared_ptr<Controller> controller) {
                                            return onControllerCreated(created, std::move(controller));
                                          });
  }
  owner_.failStart(engineMissingQuestion(result), MessageButtons::YesNo);
  return S_OK;
}

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

std::string WebHost::installedVersion() const { return toUtf8(engine_->installedVersion()); }

void WebHost::releaseBrowser() {
  if (auto controller = std::exchange(controller_, nullptr)) {
    controller->close();
  }
  view_ = nullptr;
  environment_ = nullptr;
  earlyBrowser_ = nullptr;
}

HRESULT WebHost::createEnvironment(browser::EnvironmentCreated done) {
  const std::filesystem::path profile = knownFolderPath(FOLDERID_LocalAppData) / L"myr_launcher";
  const std::optional<browser::EnvironmentOptions> options = environmentOptions();
  return engine_->createEnvironment(profile.wstring(), options ? &*options : nullptr, std::move(done));
}

void WebHost::startBrowserEarly() {
  if (pageStarted_ || earlyBrowser_) {
    return;
  }
  earlyBrowser_ = std::make_shared<EarlyBrowser>();
  earlyBrowser_->started =
      createEnvironment([early = earlyBrowser_](HRESULT result, std::shared_ptr<Environment> environment) {
        if (early->takenUp) {
          return early->takenUp(result, std::move(environment));
        }
        early->created.emplace(result, std::move(environment));
        return S_OK;
      });
}

// The early start's outcome, whenever it comes, meets the handlers a start at this point would.
void WebHost::takeUpEarlyBrowser(const std::shared_ptr<EarlyBrowser>& early) {
  if (FAILED(early->started)) {
    owner_.failStart(didNotStart(early->started), MessageButtons::Ok);
    return;
  }
  early->takenUp = [this](HRESULT result, std::shared_ptr<Environment> environment) {
    return onEnvironmentCreated(result, std::move(environment));
  };
  if (early->created) {
    auto [result, environment] = *std::exchange(early->created, std::nullopt);
    onEnvironmentCreated(result, std::move(environment));
  }
}

void WebHost::startUi() {
  if (pageStarted_) {
    return;
  }
  pageStarted_ = true;
  const std::filesystem::path pageFile = owner_.gameFolder() / L"launcher-ui" / L"index.html";
  if (!fileStatus(pageFile).exists) {
    owner_.failStart("The launcher's page is missing: " + toUtf8(pageFile.wstring()), MessageButtons::Ok);
    return;
  }
  if (const std::shared_ptr<EarlyBrowser> early = std::exchange(earlyBrowser_, nullptr)) {
    takeUpEarlyBrowser(early);
    return;
  }
  const HRESULT started = createEnvironment([this](HRESULT result, std::shared_ptr<Environment> environment) {
    return onEnvironmentCreated(result, std::move(environment));
  });
  if (FAILED(started)) {
    owner_.failStart(didNotStart(started), MessageButtons::Ok);
  }
}

}  // namespace myr::webui
