#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "foundation/log_sink.h"
#include "webui/bridge/bridge_win.h"
#include "webui/browser/browser_win.h"
#include "webui/page_owner_win.h"

namespace myr::webui {

// The browser objects of the page and the page's policies, owned by the launcher and used on
// its UI thread. The view is absent before the controller exists, after the window is destroyed
// and while a failed browser is re-created.
class WebHost {
 public:
  WebHost(PageOwner& owner, LogSink& log, std::unique_ptr<browser::Engine> engine);
  WebHost(const WebHost&) = delete;
  WebHost& operator=(const WebHost&) = delete;

  bridge::Bridge& bridge() { return bridge_; }
  browser::Controller* controller() const { return controller_.get(); }
  browser::View* view() const { return view_.get(); }
  bool pageStarted() const { return pageStarted_; }
  // The browser engine's own version, empty when none is installed.
  std::string installedVersion() const;

  // Starts the browser for the page while the window is still being made: nobody sees it start,
  // and the page comes sooner. startUi takes it up; until then its outcome waits.
  void startBrowserEarly();
  // Starts the page in the main window unless it is already started.
  void startUi();
  // The page is given up for a direct game start; a later startUi shows it again.
  void givePageUp() { pageStarted_ = false; }
  // Closes the controller and releases controller, view and environment, in this order.
  void releaseBrowser();
  // Writes a picture of the page to path, then calls done whatever happened.
  void capturePage(const std::wstring& path, std::function<void()> done);

  // The view's events: the page must never turn into a browser.
  void onNavigationStarting(browser::NavigationStarting& navigation);
  void onNewWindowRequested(browser::NewWindowRequest& request);
  void onDownloadStarting(browser::DownloadStarting& download);
  void onProcessFailed(browser::ProcessFailure failure);

 private:
  HRESULT onEnvironmentCreated(HRESULT result, std::shared_ptr<browser::Environment> environment);
  HRESULT onControllerCreated(HRESULT result, std::shared_ptr<browser::Controller> controller);
  // The outcome of the early start, kept until startUi takes it up.
  struct EarlyBrowser {
    HRESULT started = S_OK;
    std::optional<std::pair<HRESULT, std::shared_ptr<browser::Environment>>> created;
    browser::EnvironmentCreated takenUp;
  };

  HRESULT createEnvironment(browser::EnvironmentCreated done);
  void takeUpEarlyBrowser(const std::shared_ptr<EarlyBrowser>& early);
  std::optional<browser::EnvironmentOptions> environmentOptions();
  void mapHosts(browser::View& view);
  void configureWebView(browser::View& view);
  void onFileDropped(const std::wstring& path);

  PageOwner& owner_;
  LogSink& log_;
  std::unique_ptr<browser::Engine> engine_;
  std::shared_ptr<browser::Environment> environment_;
  std::shared_ptr<browser::Controller> controller_;
  std::shared_ptr<browser::View> view_;
  std::shared_ptr<EarlyBrowser> earlyBrowser_;
  bridge::Bridge bridge_;
  bool pageStarted_ = false;
  int restartCount_ = 0;
};

// The debugging port of MYR_LAUNCHER_DEVTOOLS_PORT: a whole decimal number from 1024 to 65535.
std::optional<long> parseDebuggingPort(const std::string& text);

}  // namespace myr::webui
