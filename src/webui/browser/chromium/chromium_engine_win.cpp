#include "webui/browser/chromium/chromium_engine_win.h"

#include <wrl/client.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"
#include "webui/browser/chromium/base64.h"
#include "webui/browser/chromium/browser_command_line.h"
#include "webui/browser/chromium/browser_process_win.h"
#include "webui/browser/chromium/devtools_connection_win.h"
#include "webui/browser/chromium/file_url.h"
#include "webui/browser/chromium/host_routes.h"
#include "webui/browser/chromium/page_frame_win.h"
#include "webui/browser/chromium/page_shim.h"
#include "webui/browser/chromium/page_window_win.h"

namespace myr::browser::chromium {
namespace {

using Microsoft::WRL::ComPtr;

// Page files are small; a larger file is not something the page folder should serve.
constexpr std::uint64_t kLargestServedFile = 64ull * 1024 * 1024;
// Frames are never larger than the view; the cap only bounds what the browser may send.
constexpr int kLargestFrameSide = 8192;

// What went wrong with the browser, for whoever reads the launcher's error output.
void note(const std::string& text) {
  const std::string line = "[chromium] " + text + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

HRESULT resultOf(const Error& error) { return error.systemCode != 0 ? HRESULT_FROM_WIN32(error.systemCode) : E_FAIL; }

// The browser, its connection and the frames on their way, shared by the environment and its page.
struct BrowserLink {
  std::unique_ptr<BrowserProcess> process;
  std::shared_ptr<DevToolsConnection> connection;
  UiPost post;
  std::shared_ptr<std::string> version;  // filled once the browser reports it

  // The page that receives events; set on the UI thread, read by the connection's reader.
  std::mutex mutex;
  std::function<void(DevToolsEvent&&)> frames;
  std::function<void(DevToolsEvent&&)> events;
  std::function<void(const std::string&)> lost;

  void end() {
    if (connection) {
      connection->call("Browser.close", json::Value::object());
      connection->close();
    }
    if (process) {
      process->end();
    }
  }
  ~BrowserLink() { end(); }
};

class ChromiumPage final : public Controller,
                           public ViewEventHandlers,
                           public std::enable_shared_from_this<ChromiumPage> {
 public:
  ChromiumPage(std::shared_ptr<BrowserLink> link, HWND parent) : link_(std::move(link)), parent_(parent) {}
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
  bool setDefaultBackgroundColor(COLORREF colour) override {
    background_ = colour;
    if (window_) window_->setBackground(colour);
    return true;
  }
  void close() override { shutDown(); }

  // View
  // Headless: the browser's own window, menus and prompts never show.
  ViewSettings& settings() override { return settings_; }
  bool supportsHostMapping() const override { return true; }
  void mapHostToFolder(const std::wstring& host, const std::wstring& folder, HostAccess access) override;
  void serveFromMemory(const std::wstring& uri, MemoryResourceMaker make) override {
    memory_[toUtf8(uri)] = std::move(make);
  }
  bool supportsDownloadEvents() const override { return true; }
  void navigate(const std::wstring& uri) override;
  // A renderer that failed before the page's document arrived leaves nothing to reload: the page
  // is asked for again instead, which is what a reload of it does anyway.
  void reload() override { pageCall("Page.navigate", json::Value().set("url", documentUrl_)); }
  void postJson(const std::wstring& json) override;
  void capturePng(IStream* stream, std::function<void(HRESULT)> done) override;

 private:
  void setUpSession(const std::string& session);
  void failSetUp(const std::string& reason);
  void onEvent(const DevToolsEvent& event);
  void onBrowserEvent(const DevToolsEvent& event);
  void onLost(const std::string& reason);
  void onRequestPaused(const json::Value& params);
  void serveFile(const std::string& requestId, const Route& route);
  void fulfil(const std::string& requestId, int status, const std::string& contentType, const std::string& body);
  void onBindingCalled(const json::Value& params);
  void onTargetAttached(const json::Value& params);
  void onFrameNavigated(const json::Value& frame);
  void raiseNavigation(const std::wstring& uri, bool* cancel);
  void applyMetrics();
  void pageCall(std::string_view method, const json::Value& params, DevToolsConnection::ReplyHandler done = {});
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
  std::map<std::string, std::string> waitingTargets_;   // target id: session, while ours is unknown
  std::map<std::string, std::string> waitingContexts_;  // target id: browser context
  std::string targetId_;                                // also the id of the page's main frame
  std::string browserContextId_;
  std::string sessionId_;
  std::string mainUrl_;      // the document shown now
  std::string documentUrl_;  // the page asked for, or the launcher's page it went to since
  std::set<int> mainContexts_;
  HostRoutes routes_;
  std::vector<std::filesystem::path> folders_;
  std::map<std::string, MemoryResourceMaker> memory_;  // by URL without query and fragment
  bool closed_ = false;
  bool lostReported_ = false;
};

void ChromiumPage::attach(ControllerCreated done) {
  window_ = std::make_unique<PageWindow>(
      parent_, PageWindow::Handlers{[this](std::string_view method, json::Value params) { pageCall(method, params); },
                                    [this](const std::wstring& path) {
                                      // The page never goes to a dropped file: the launcher only hears of it.
                                      bool ignored = false;
                                      raiseNavigation(toWide(fileUrlFromPath(toUtf8(path))), &ignored);
                                    }});
  if (!window_->created()) {
    done(HRESULT_FROM_WIN32(GetLastError()), nullptr);
    return;
  }
  window_->setBackground(background_);
  decoder_ = std::make_shared<FrameDecoder>([post = link_->post, page = weak()](PageFrame&& frame) {
    post([page, frame = std::move(frame)]() mutable {
      if (const auto self = page.lock(); self && self->window_) {
        self->window_->show(std::move(frame));
      }
    });
  });
  {
    std::lock_guard lock(link_->mutex);
    // Runs on the connection's reader: it holds what it uses, the page may go meanwhile.
    link_->frames = [connection = link_->connection, decoder = decoder_](DevToolsEvent&& event) {
      // Acknowledged at once: the decoder keeps only the newest frame anyway.
      connection->call("Page.screencastFrameAck", json::Value().set("sessionId", event.params.get("sessionId")),
                       event.sessionId);
      std::string data = event.params.get("data").asString();
      decoder->submit(std::move(data));
    };
    link_->events = [post = link_->post, page = weak()](DevToolsEvent&& event) {
      post([page, event = std::move(event)] {
        if (const auto self = page.lock()) {
          event.sessionId.empty() ? self->onBrowserEvent(event) : self->onEvent(event);
        }
      });
    };
    link_->lost = [page = weak()](const std::string& reason) {
      if (const auto self = page.lock()) {
        self->onLost(reason);
      }
    };
  }
  // A page of our own, held before it runs anything until our script, binding and request
  // interception are in place. The browser's first page may still be loading what its command
  // line named: it is closed.
  browserCall("Target.getTargets", json::Value::object(),
              [this, page = shared_from_this()](const DevToolsReply& pages) {
                for (const json::Value& target : pages.result.get("targetInfos").items()) {
                  if (target.get("type").asString() == "page") {
                    initialPages_.push_back(target.get("targetId").asString());
                  }
                }
              });
  json::Value pages;
  pages.set("type", "page");
  json::Value autoAttach;
  autoAttach.set("autoAttach", true).set("waitForDebuggerOnStart", true).set("flatten", true);
  autoAttach.set("filter", json::Value::array().push(pages));
  browserCall("Target.setAutoAttach", autoAttach);
  pendingDone_ = std::move(done);
  browserCall("Target.createTarget", json::Value().set("url", "about:blank"),
              [this, page = shared_from_this()](const DevToolsReply& created) {
                targetId_ = created.result.get("targetId").asString();
                if (created.error || targetId_.empty()) {
                  failSetUp("no page to show: " + created.error.value_or("the browser made none"));
                  return;
                }
                // The page may have been reported before the answer that names it.
                if (const auto waiting = waitingTargets_.find(targetId_); waiting != waitingTargets_.end()) {
                  browserContextId_ = waitingContexts_[targetId_];
                  setUpSession(waiting->second);
                }
              });
}

void ChromiumPage::failSetUp(const std::string& reason) {
  note(reason);
  if (const ControllerCreated done = std::exchange(pendingDone_, nullptr)) {
    done(E_FAIL, nullptr);
  }
}

void ChromiumPage::setUpSession(const std::string& session) {
  sessionId_ = session;
  waitingTargets_.clear();
  pageCall("Page.enable", json::Value::object());
  pageCall("Runtime.enable", json::Value::object());
  pageCall("Runtime.addBinding", json::Value().set("name", std::string(kBindingName)));
  pageCall("Page.addScriptToEvaluateOnNewDocument", json::Value().set("source", std::string(pageShimScript())));
  json::Value everything;
  everything.set("urlPattern", "*").set("requestStage", "Request");
  pageCall("Fetch.enable", json::Value().set("patterns", json::Value::array().push(everything)));
  pageCall("Emulation.setFocusEmulationEnabled", json::Value().set("enabled", true));
  applyMetrics();
  json::Value screencast;
  screencast.set("format", "png").set("maxWidth", kLargestFrameSide).set("maxHeight", kLargestFrameSide);
  pageCall("Page.startScreencast", screencast);
  browserCall("Browser.setDownloadBehavior", json::Value().set("behavior", "deny").set("eventsEnabled", true));
  browserCall("Browser.getVersion", json::Value::object(),
              [this, page = shared_from_this()](const DevToolsReply& version) {
                *link_->version = versionIn(version.result.get("product").asString());
              });
  for (const std::string& initial : initialPages_) {
    browserCall("Target.closeTarget", json::Value().set("targetId", initial));
  }
  // Commands of one session are answered in order: once the page runs, all of the above holds.
  pageCall("Runtime.runIfWaitingForDebugger", json::Value::object(),
           [this, page = shared_from_this()](const DevToolsReply& reply) {
             if (reply.error || closed_) {
               failSetUp("the page could not be set up: " + reply.error.value_or("it was closed"));
               return;
             }
             if (const ControllerCreated done = std::exchange(pendingDone_, nullptr)) {
               done(S_OK, page);
             }
           });
}

void ChromiumPage::setBounds(const RECT& bounds) {
  bounds_ = bounds;
  if (window_) {
    window_->setBounds(bounds);
  }
  applyMetrics();
}

// The page lays itself out in its own pixels; frames come at the window's device pixels.
void ChromiumPage::applyMetrics() {
  if (!window_ || sessionId_.empty()) {
    return;
  }
  const double scale = window_->scale();
  const LONG width = std::max<LONG>(1, bounds_.right - bounds_.left);
  const LONG height = std::max<LONG>(1, bounds_.bottom - bounds_.top);
  if (scale == metricsScale_ && width == metricsWidth_ && height == metricsHeight_) {
    return;
  }
  metricsScale_ = scale;
  metricsWidth_ = width;
  metricsHeight_ = height;
  json::Value metrics;
  metrics.set("width", static_cast<int>(std::lround(width / scale)))
      .set("height", static_cast<int>(std::lround(height / scale)))
      .set("deviceScaleFactor", scale)
      .set("mobile", false);
  pageCall("Emulation.setDeviceMetricsOverride", metrics);
}

void ChromiumPage::mapHostToFolder(const std::wstring& host, const std::wstring& folder, HostAccess access) {
  const std::size_t index =
      routes_.map(toUtf8(host), access == HostAccess::Deny ? RouteAccess::Deny : RouteAccess::DenyCors);
  if (index == folders_.size()) {
    folders_.emplace_back(folder);
  } else {
    folders_[index] = folder;
  }
}

void ChromiumPage::navigate(const std::wstring& uri) {
  documentUrl_ = toUtf8(uri);
  pageCall("Page.navigate", json::Value().set("url", documentUrl_));
}

// Like a view, a page between documents receives nothing.
void ChromiumPage::postJson(const std::wstring& json) {
  if (closed_ || sessionId_.empty() || mainContexts_.empty()) {
    return;
  }
  link_->connection->callWithText("Runtime.evaluate", deliveryParams(toUtf8(json), *mainContexts_.rbegin()),
                                  sessionId_);
}

void ChromiumPage::capturePng(IStream* stream, std::function<void(HRESULT)> done) {
  ComPtr<IStream> target(stream);
  pageCall("Page.captureScreenshot", json::Value().set("format", "png"),
           [target, done = std::move(done)](const DevToolsReply& reply) {
             const std::optional<std::string> png = decodeBase64(reply.result.get("data").asString());
             if (reply.error || !png || png->empty()) {
               done(E_FAIL);
               return;
             }
             ULONG written = 0;
             HRESULT result = target->Write(png->data(), static_cast<ULONG>(png->size()), &written);
             if (SUCCEEDED(result) && written != png->size()) {
               result = STG_E_MEDIUMFULL;
             }
             done(result);
           });
}

void ChromiumPage::onEvent(const DevToolsEvent& event) {
  if (closed_ || event.sessionId != sessionId_) {
    return;
  }
  const json::Value& params = event.params;
  const std::string& method = event.method;
  if (method == "Fetch.requestPaused") {
    onRequestPaused(params);
  } else if (method == "Runtime.bindingCalled") {
    onBindingCalled(params);
  } else if (method == "Runtime.executionContextCreated") {
    const json::Value& context = params.get("context");
    const json::Value& data = context.get("auxData");
    if (data.get("isDefault").asBool() && data.get("frameId").asString() == targetId_) {
      mainContexts_.insert(static_cast<int>(context.get("id").asNumber(0)));
    }
  } else if (method == "Runtime.executionContextDestroyed") {
    mainContexts_.erase(static_cast<int>(params.get("executionContextId").asNumber(0)));
  } else if (method == "Runtime.executionContextsCleared") {
    mainContexts_.clear();
  } else if (method == "Page.frameNavigated") {
    onFrameNavigated(params.get("frame"));
  } else if (method == "Page.navigatedWithinDocument") {
    if (params.get("frameId").asString() == targetId_) {
      mainUrl_ = params.get("url").asString();
    }
  } else if (method == "Page.javascriptDialogOpening") {
    // Nobody could answer a dialog of a headless page: it would stop the page for good.
    pageCall("Page.handleJavaScriptDialog", json::Value().set("accept", false));
  } else if (method == "Inspector.targetCrashed") {
    if (processFailed_) {
      processFailed_(ProcessFailure::RenderProcessExited);
    }
  }
}

void ChromiumPage::onBrowserEvent(const DevToolsEvent& event) {
  if (closed_) {
    return;
  }
  if (event.method == "Target.attachedToTarget") {
    onTargetAttached(event.params);
  } else if (event.method == "Browser.downloadWillBegin") {
    // Downloads are denied before they start; the policy still hears of them.
    DownloadStarting download{toWide(event.params.get("url").asString())};
    if (downloadStarting_) {
      downloadStarting_(download);
    }
    browserCall("Browser.cancelDownload", json::Value().set("guid", event.params.get("guid")));
    // A debugging client may have changed the setting: later downloads are denied again.
    browserCall("Browser.setDownloadBehavior", json::Value().set("behavior", "deny").set("eventsEnabled", true));
  }
}

// Every page the browser opens is attached before it runs: our own page is set up then; a
// window the page opened is offered to the policy and closed, since the launcher has no second
// window; pages of other browser contexts (a test attached through the debugging port) are let go.
void ChromiumPage::onTargetAttached(const json::Value& params) {
  const std::string& session = params.get("sessionId").asString();
  const json::Value& target = params.get("targetInfo");
  const std::string& targetId = target.get("targetId").asString();
  const bool waiting = params.get("waitingForDebugger").asBool();
  if (sessionId_.empty()) {
    if (!waiting) {
      browserCall("Target.detachFromTarget", json::Value().set("sessionId", session));
    } else if (targetId == targetId_) {
      browserContextId_ = target.get("browserContextId").asString();
      setUpSession(session);
    } else {
      waitingTargets_[targetId] = session;
      waitingContexts_[targetId] = target.get("browserContextId").asString();
    }
    return;
  }
  if (targetId == targetId_) {
    return;
  }
  if (target.get("browserContextId").asString() != browserContextId_) {
    if (waiting) {
      link_->connection->call("Runtime.runIfWaitingForDebugger", json::Value::object(), session);
    }
    browserCall("Target.detachFromTarget", json::Value().set("sessionId", session));
    return;
  }
  NewWindowRequest request{toWide(target.get("url").asString())};
  if (newWindow_) {
    newWindow_(request);
  }
  browserCall("Target.closeTarget", json::Value().set("targetId", targetId));
}

void ChromiumPage::onFrameNavigated(const json::Value& frame) {
  if (frame.get("id").asString() == targetId_) {
    mainUrl_ = frame.get("url").asString() + frame.get("urlFragment").asString();
    if (mainUrl_.starts_with("https://")) {
      documentUrl_ = mainUrl_;
    }
  }
}

void ChromiumPage::raiseNavigation(const std::wstring& uri, bool* cancel) {
  NavigationStarting navigation{uri};
  if (navigationStarting_) {
    navigationStarting_(navigation);
  }
  *cancel = navigation.cancel;
}

void ChromiumPage::onRequestPaused(const json::Value& params) {
  const std::string& requestId = params.get("requestId").asString();
  const json::Value& request = params.get("request");
  const std::string& url = request.get("url").asString();
  // A navigation of the page itself: the policy decides whether it happens.
  if (params.get("resourceType").asString() == "Document" && params.get("frameId").asString() == targetId_) {
    bool cancel = false;
    raiseNavigation(toWide(url), &cancel);
    if (closed_) {
      return;
    }
    if (cancel) {
      pageCall("Fetch.failRequest", json::Value().set("requestId", requestId).set("errorReason", "Aborted"));
      return;
    }
  }
  const json::Value& headers = request.get("headers");
  std::string requester = headers.get("Origin").asString();
  if (requester.empty()) {
    requester = originOf(headers.get("Referer").asString());
  }
  const Route route = routes_.route(url, requester);
  switch (route.kind) {
    case Route::Kind::File:
      if (const auto made = memory_.find(url.substr(0, url.find_first_of("?#"))); made != memory_.end()) {
        const std::optional<MemoryResource> resource = made->second();
        if (resource) {
          fulfil(requestId, 200, resource->contentType, resource->body);
        } else {
          fulfil(requestId, 404, "text/plain; charset=utf-8", "Not found");
        }
        return;
      }
      serveFile(requestId, route);
      return;
    case Route::Kind::NotFound:
      fulfil(requestId, 404, "text/plain; charset=utf-8", "Not found");
      return;
    case Route::Kind::Refused:
      pageCall("Fetch.failRequest", json::Value().set("requestId", requestId).set("errorReason", "BlockedByClient"));
      return;
  }
}

void ChromiumPage::serveFile(const std::string& requestId, const Route& route) {
  std::wstring relative = toWide(route.relativePath);
  for (wchar_t& c : relative) {
    if (c == L'/') {
      c = L'\\';
    }
  }
  const Result<std::string> body = readFileLimited(folders_[route.folder] / relative, kLargestServedFile);
  if (!body) {
    fulfil(requestId, 404, "text/plain; charset=utf-8", "Not found");
    return;
  }
  fulfil(requestId, 200, route.contentType, *body);
}

void ChromiumPage::fulfil(const std::string& requestId, int status, const std::string& contentType,
                          const std::string& body) {
  json::Value type;
  type.set("name", "Content-Type").set("value", contentType);
  json::Value noCache;
  noCache.set("name", "Cache-Control").set("value", "no-cache");
  json::Value response;
  response.set("requestId", requestId)
      .set("responseCode", status)
      .set("responseHeaders", json::Value::array().push(type).push(noCache))
      .set("body", encodeBase64(body));
  pageCall("Fetch.fulfillRequest", response);
}

void ChromiumPage::onBindingCalled(const json::Value& params) {
  if (params.get("name").asString() != kBindingName ||
      !mainContexts_.contains(static_cast<int>(params.get("executionContextId").asNumber(-1)))) {
    return;
  }
  const std::optional<PagePost> post = decodePagePost(params.get("payload").asString());
  if (!post) {
    return;
  }
  if (post->kind == PagePost::Kind::CloseRequested) {
    if (closeRequested_) {
      closeRequested_();
    }
    return;
  }
  if (webMessage_) {
    webMessage_(WebMessage{toWide(mainUrl_), post->text ? std::optional(toWide(*post->text)) : std::nullopt});
  }
}

void ChromiumPage::onLost(const std::string& reason) {
  if (closed_ || lostReported_) {
    return;
  }
  lostReported_ = true;
  note("browser lost: " + reason);
  // A browser that stopped answering may still run: it must not outlive its page.
  link_->process->end();
  if (processFailed_) {
    processFailed_(ProcessFailure::BrowserProcessExited);
  }
}

void ChromiumPage::pageCall(std::string_view method, const json::Value& params, DevToolsConnection::ReplyHandler done) {
  if (!closed_ && !sessionId_.empty()) {
    link_->connection->call(method, params, sessionId_, std::move(done));
  }
}

void ChromiumPage::browserCall(std::string_view method, const json::Value& params,
                               DevToolsConnection::ReplyHandler done) {
  if (!closed_) {
    link_->connection->call(method, params, {}, std::move(done));
  }
}

void ChromiumPage::shutDown() {
  if (closed_) {
    return;
  }
  closed_ = true;
  {
    std::lock_guard lock(link_->mutex);
    link_->frames = nullptr;
    link_->events = nullptr;
    link_->lost = nullptr;
  }
  link_->end();
  decoder_.reset();
  window_.reset();
}

class ChromiumEnvironment final : public Environment {
 public:
  explicit ChromiumEnvironment(std::shared_ptr<BrowserLink> link) : link_(std::move(link)) {}

  HRESULT createController(HWND parent, ControllerCreated done) override {
    auto page = std::make_shared<ChromiumPage>(link_, parent);
    link_->post([page, done = std::move(done)] { page->attach(done); });
    return S_OK;
  }

 private:
  std::shared_ptr<BrowserLink> link_;
};

// Routes what the connection reads to the page of the moment.
void startReading(const std::shared_ptr<BrowserLink>& link) {
  std::weak_ptr<BrowserLink> weakLink = link;
  link->connection->start(
      [weakLink](DevToolsEvent&& event) {
        const auto link = weakLink.lock();
        if (!link) {
          return;
        }
        std::function<void(DevToolsEvent &&)> sink;
        {
          std::lock_guard lock(link->mutex);
          sink = event.method == "Page.screencastFrame" ? link->frames : link->events;
        }
        if (sink) {
          sink(std::move(event));
        }
      },
      [weakLink](const std::string& reason) {
        const auto link = weakLink.lock();
        if (!link) {
          return;
        }
        std::function<void(const std::string&)> lost;
        {
          std::lock_guard lock(link->mutex);
          lost = link->lost;
        }
        if (lost) {
          lost(reason);
        }
      });
}

class ChromiumEngine final : public Engine {
 public:
  explicit ChromiumEngine(UiPost post) : post_(std::move(post)), version_(std::make_shared<std::string>()) {}

  std::wstring installedVersion() override {
    if (version_->empty()) {
      if (const auto installation = findBrowser()) {
        *version_ = browserVersion(*installation);
      }
    }
    return toWide(*version_);
  }

  HRESULT createEnvironment(const std::wstring& profileFolder, const EnvironmentOptions* options,
                            EnvironmentCreated done) override {
    const std::optional<BrowserInstallation> installation = findBrowser();
    if (!installation) {
      post_([done = std::move(done)] { done(kEngineNotFound, nullptr); });
      return S_OK;
    }
    std::string extra = options ? toUtf8(options->additionalBrowserArguments) : std::string();
    // Starting takes a while: the UI thread keeps running meanwhile.
    std::thread([post = post_, version = version_, installation = *installation,
                 profile = std::filesystem::path(profileFolder), extra = std::move(extra),
                 done = std::move(done)]() mutable {
      auto link = std::make_shared<BrowserLink>();
      link->post = post;
      link->version = version;
      Result<std::unique_ptr<BrowserProcess>> process = BrowserProcess::start(installation, profile, extra);
      if (!process) {
        note(process.error().message);
        post([done, result = resultOf(process.error())] { done(result, nullptr); });
        return;
      }
      link->process = std::move(*process);
      const DevToolsEndpoint endpoint = link->process->endpoint();
      Result<std::shared_ptr<DevToolsConnection>> connection =
          DevToolsConnection::open(endpoint.port, endpoint.browserPath, post);
      if (!connection) {
        note(connection.error().message);
        post([done, result = resultOf(connection.error())] { done(result, nullptr); });
        return;
      }
      link->connection = std::move(*connection);
      startReading(link);
      post([done, link] { done(S_OK, std::make_shared<ChromiumEnvironment>(link)); });
    }).detach();
    return S_OK;
  }

 private:
  UiPost post_;
  std::shared_ptr<std::string> version_;
};

}  // namespace

std::unique_ptr<Engine> makeChromiumEngine(UiPost post) { return std::make_unique<ChromiumEngine>(std::move(post)); }

bool chromiumAvailable() { return findBrowser().has_value(); }

}  // namespace myr::browser::chromium
