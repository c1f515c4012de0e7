#pragma once

#include <windows.h>

#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/files/win_text.h"
#include "webui/browser/browser_win.h"
#include "webui/browser/chromium/browser_link_win.h"
#include "webui/browser/chromium/page_frame_win.h"
#include "webui/browser/chromium/page_requests_win.h"
#include "webui/browser/chromium/page_watch.h"
#include "webui/browser/chromium/page_window_win.h"

namespace myr::browser::chromium {

// The page of one browser as the launcher's view and controller: it sets the page up, serves its
// requests, forwards its events and the player's input, paints its frames and watches it.
class ChromiumPage final : public Controller,
                           public ViewEventHandlers,
                           public std::enable_shared_from_this<ChromiumPage> {
 public:
  ChromiumPage(std::shared_ptr<BrowserLink> link, HWND parent);
  ~ChromiumPage() override { shutDown(); }

  void attach(ControllerCreated done);

  // Controller
  std::shared_ptr<View> view() override { return shared_from_this(); }
  void setBounds(const RECT& bounds) override;
  void setVisible(bool visible) override {
    if (window_) window_->setVisible(visible);
  }
  void moveFocusProgrammatic() override {
    if (window_) window_->focus();
  }
  // The frames are painted inside the parent: they move with it.
  void notifyParentWindowPositionChanged() override {}
  bool setDefaultBackgroundColor(COLORREF colour) override;
  void close() override { shutDown(); }

  // View
  // Headless: the browser's own window, menus and prompts never show.
  ViewSettings& settings() override { return settings_; }
  bool supportsHostMapping() const override { return true; }
  void mapHostToFolder(const std::wstring& host, const std::wstring& folder, HostAccess access) override;
  void serveFromMemory(const std::wstring& uri, MemoryResourceMaker make) override {
    requests_.serveFromMemory(toUtf8(uri), std::move(make));
  }
  bool supportsDownloadEvents() const override { return true; }
  void navigate(const std::wstring& uri) override;
  void reload() override;
  void postJson(const std::wstring& json) override { postJsonUtf8(toUtf8(json)); }
  void postJsonUtf8(std::string_view json) override;
  void capturePng(IStream* stream, std::function<void(HRESULT)> done) override;

 private:
  void attachFirstPage();
  void createOwnPage();
  void setUpSession(const std::string& session);
  void failSetUp(const std::string& reason);
  void showNewestFrame();
  void onEvent(const DevToolsEvent& event);
  void onBrowserEvent(const DevToolsEvent& event);
  void onLost(const std::string& reason);
  void onRequestPaused(const json::Value& params);
  void onBindingCalled(const json::Value& params);
  void onTargetAttached(const json::Value& params);
  void closeWindow(const std::string& session, const std::string& targetId, const std::string& url);
  void onFrameNavigated(const json::Value& frame);
  void raiseNavigation(const std::wstring& uri, bool* cancel);
  void applyBackground();
  void applyMetrics();
  void watchPage();
  void onPageCrashed();
  void askForDocument();
  void pageCall(std::string_view method, const json::Value& params, DevToolsConnection::ReplyHandler done = {},
                std::chrono::milliseconds timeout = kCallTimeout);
  void browserCall(std::string_view method, const json::Value& params, DevToolsConnection::ReplyHandler done = {});
  void shutDown();
  std::weak_ptr<ChromiumPage> weak() { return weak_from_this(); }

  std::shared_ptr<BrowserLink> link_;
  HeadlessViewSettings settings_;
  HWND parent_;
  std::unique_ptr<PageWindow> window_;
  std::shared_ptr<FrameDecoder> decoder_;
  COLORREF background_ = RGB(255, 255, 255);
  RECT bounds_{};
  double metricsScale_ = 0;
  LONG metricsWidth_ = 0;
  LONG metricsHeight_ = 0;

  ControllerCreated pendingDone_;
  std::vector<std::string> initialPages_;
  struct WaitingPage {
    std::string session;
    std::string browserContextId;
  };
  std::map<std::string, WaitingPage> waitingTargets_;  // by target id, while ours is not named yet
  std::string targetId_;                                // also the id of the page's main frame
  std::string browserContextId_;
  std::string sessionId_;
  std::string mainUrl_;      // the document shown now
  std::string documentUrl_;  // the page asked for, or the launcher's page it went to since
  std::set<int> mainContexts_;
  PageRequests requests_;
  PageWatch watch_;
  bool unresponsive_ = false;
  bool crashingForReload_ = false;
  bool closed_ = false;
  bool lostReported_ = false;
};

}  // namespace myr::browser::chromium
