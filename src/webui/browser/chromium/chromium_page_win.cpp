#include "webui/browser/chromium/chromium_page_win.h"

#include <wrl/client.h>

#include <cmath>
#include <optional>
#include <utility>

#include "foundation/bytes/base64.h"
#include "foundation/files/win_text.h"
#include "webui/browser/chromium/browser_command_line.h"
#include "webui/browser/chromium/file_url.h"
#include "webui/browser/chromium/page_shim.h"
#include "webui/browser/chromium/target_policy.h"

namespace myr::browser::chromium {
namespace {

using Microsoft::WRL::ComPtr;

// Frames are never larger than the view; the cap only bounds what the browser may send.
constexpr int kLargestFrameSide = 8192;
constexpr std::chrono::seconds kReleaseTimeout{1};
// A page that has not answered for this long while its browser has is hung.
constexpr std::chrono::seconds kHangTime{8};
// The page's question stays open while the page is hung; it only has to outlive the hang.
constexpr std::chrono::minutes kPageQuestionTimeout{10};

}  // namespace

ChromiumPage::ChromiumPage(std::shared_ptr<BrowserLink> link, HWND parent)
    : link_(std::move(link)), parent_(parent), watch_(kHangTime) {}

void ChromiumPage::attach(ControllerCreated done) {
  window_ = std::make_unique<PageWindow>(
      parent_, PageWindow::Handlers{[this](std::string_view method, json::Value params) { pageCall(method, params); },
                                    [this](const std::wstring& path) {
                                      // The page never goes to a dropped file: the launcher only hears of it.
                                      bool ignored = false;
                                      raiseNavigation(toWide(fileUrlFromPath(toUtf8(path))), &ignored);
                                    },
                                    [this] { watchPage(); }},
      link_->log);
  if (!window_->created()) {
    done(HRESULT_FROM_WIN32(GetLastError()), nullptr);
    return;
  }
  window_->setBackground(background_);
  decoder_ = std::make_shared<FrameDecoder>(
      [post = link_->post, page = weak()] {
        post([page] {
          if (const auto self = page.lock()) {
            self->showNewestFrame();
          }
        });
      },
      link_->log);
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
  // Our page is the blank one the browser opened at its start: it is there as soon as the
  // browser answers, where a new one would wait for a renderer of its own. A blank page runs
  // nothing, so it is set up as safely as a new page held before it runs: the script, binding and
  // request interception are in place before the launcher navigates it. Other first pages may be
  // loading what extra arguments named: they are closed.
  browserCall("Target.getTargets", json::Value::object(),
              [this, page = shared_from_this()](const DevToolsReply& pages) {
                for (const json::Value& target : pages.result.get("targetInfos").items()) {
                  if (target.get("type").asString() != "page") {
                    continue;
                  }
                  const std::string& id = target.get("targetId").asString();
                  if (targetId_.empty() && target.get("url").asString() == kFirstPageUrl) {
                    targetId_ = id;
                  } else {
                    initialPages_.push_back(id);
                  }
                }
                targetId_.empty() ? createOwnPage() : attachFirstPage();
              });
  json::Value pages;
  pages.set("type", "page");
  json::Value autoAttach;
  autoAttach.set("autoAttach", true).set("waitForDebuggerOnStart", true).set("flatten", true);
  autoAttach.set("filter", json::Value::array().push(pages));
  browserCall("Target.setAutoAttach", autoAttach);
  pendingDone_ = std::move(done);
}

// Auto-attaching reports only pages made after it: the first page is attached by name.
void ChromiumPage::attachFirstPage() {
  browserCall("Target.attachToTarget", json::Value().set("targetId", targetId_).set("flatten", true),
              [this, page = shared_from_this()](const DevToolsReply& attached) {
                // Its session is set up as the attaching reports it, before this answer.
                if (attached.error) {
                  failSetUp("its page could not be reached: " + *attached.error);
                }
              });
}

// A browser that opened no blank page: a page of our own, held before it runs anything.
void ChromiumPage::createOwnPage() {
  browserCall("Target.createTarget", json::Value().set("url", std::string(kFirstPageUrl)),
              [this, page = shared_from_this()](const DevToolsReply& created) {
                targetId_ = created.result.get("targetId").asString();
                if (created.error || targetId_.empty()) {
                  failSetUp("no page to show: " + created.error.value_or("the browser made none"));
                  return;
                }
                // The page may have been reported before the answer that names it.
                if (const auto waiting = waitingTargets_.find(targetId_); waiting != waitingTargets_.end()) {
                  browserContextId_ = waiting->second.browserContextId;
                  setUpSession(waiting->second.session);
                }
              });
}

// Frames decoded while the UI thread was busy are skipped: only the newest is painted.
void ChromiumPage::showNewestFrame() {
  if (!window_ || !decoder_) {
    return;
  }
  if (std::unique_ptr<FrameBitmap> frame = decoder_->takeNewest()) {
    decoder_->recycle(window_->show(std::move(frame)));
  }
}

void ChromiumPage::failSetUp(const std::string& reason) {
  link_->log.note("The browser's page could not be set up: " + reason);
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
  applyBackground();
  json::Value screencast;
  screencast.set("format", "png").set("maxWidth", kLargestFrameSide).set("maxHeight", kLargestFrameSide);
  pageCall("Page.startScreencast", screencast);
  browserCall("Browser.setDownloadBehavior", json::Value().set("behavior", "deny").set("eventsEnabled", true));
  for (const std::string& initial : initialPages_) {
    browserCall("Target.closeTarget", json::Value().set("targetId", initial));
  }
  // Commands of one session are answered in order: once the page runs, all of the above holds.
  pageCall("Runtime.runIfWaitingForDebugger", json::Value::object(),
           [this, page = shared_from_this()](const DevToolsReply& reply) {
             if (reply.error || closed_) {
               failSetUp(reply.error.value_or("it was closed"));
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

bool ChromiumPage::setDefaultBackgroundColor(COLORREF colour) {
  background_ = colour;
  if (window_) {
    window_->setBackground(colour);
  }
  applyBackground();
  return true;
}

// As in a view, what the page does not paint shows the default background: without it the
// browser's white would show between the blank first page and the page's own colours.
void ChromiumPage::applyBackground() {
  if (sessionId_.empty()) {
    return;
  }
  json::Value colour;
  colour.set("r", static_cast<int>(GetRValue(background_)))
      .set("g", static_cast<int>(GetGValue(background_)))
      .set("b", static_cast<int>(GetBValue(background_)))
      .set("a", 1);
  pageCall("Emulation.setDefaultBackgroundColorOverride", json::Value().set("color", colour));
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
  requests_.map(toUtf8(host), folder, access == HostAccess::Deny ? RouteAccess::Deny : RouteAccess::DenyCors);
}

void ChromiumPage::navigate(const std::wstring& uri) {
  documentUrl_ = toUtf8(uri);
  pageCall("Page.navigate", json::Value().set("url", documentUrl_));
}

// Like a view, a page between documents receives nothing.
void ChromiumPage::postJsonUtf8(std::string_view json) {
  if (closed_ || sessionId_.empty() || mainContexts_.empty()) {
    return;
  }
  link_->connection->callWithText("Runtime.evaluate", deliveryParams(json, *mainContexts_.rbegin()), sessionId_);
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
    onPageCrashed();
  }
}

// A renderer that failed before the page's document arrived leaves nothing to reload: the page is
// asked for again instead, which is what a reload of it does anyway. A hung renderer would not
// take that navigation: it is ended first, and the page asked for once it has gone.
void ChromiumPage::reload() {
  watch_.forgetPage();
  if (unresponsive_) {
    crashingForReload_ = true;
    pageCall("Page.crash", json::Value::object());
    return;
  }
  askForDocument();
}

void ChromiumPage::askForDocument() { pageCall("Page.navigate", json::Value().set("url", documentUrl_)); }

void ChromiumPage::onPageCrashed() {
  watch_.forgetPage();
  if (std::exchange(crashingForReload_, false)) {
    unresponsive_ = false;
    askForDocument();
    return;
  }
  if (processFailed_) {
    processFailed_(ProcessFailure::RenderProcessExited);
  }
}

// A hung page is reported once, like a renderer that ended.
void ChromiumPage::watchPage() {
  if (closed_ || sessionId_.empty() || pendingDone_) {
    return;
  }
  const auto now = PageWatch::Clock::now();
  if (const std::optional<unsigned> question = watch_.askPage(now)) {
    pageCall(
        "Runtime.evaluate", json::Value().set("expression", "0").set("silent", true),
        [this, page = shared_from_this(), question = *question](const DevToolsReply& reply) {
          if (!reply.error) {
            watch_.pageAnswered(question);
            unresponsive_ = false;
          }
        },
        kPageQuestionTimeout);
  }
  if (watch_.askBrowser(now)) {
    browserCall("Browser.getVersion", json::Value::object(), [this, page = shared_from_this()](const DevToolsReply&) {
      if (watch_.browserAnswered() && !closed_) {
        unresponsive_ = true;
        link_->log.note("The page stopped answering.");
        if (processFailed_) {
          processFailed_(ProcessFailure::RenderProcessUnresponsive);
        }
      }
    });
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

void ChromiumPage::onTargetAttached(const json::Value& params) {
  const std::string& session = params.get("sessionId").asString();
  const json::Value& target = params.get("targetInfo");
  const AttachedPage page{target.get("targetId").asString(), target.get("browserContextId").asString(),
                          params.get("waitingForDebugger").asBool()};
  switch (targetAction(OwnPage{targetId_, browserContextId_, !sessionId_.empty()}, page)) {
    case TargetAction::SetUpOwnPage:
      browserContextId_ = page.browserContextId;
      setUpSession(session);
      return;
    case TargetAction::KeepUntilNamed:
      waitingTargets_[page.targetId] = WaitingPage{session, page.browserContextId};
      return;
    case TargetAction::Detach:
      browserCall("Target.detachFromTarget", json::Value().set("sessionId", session));
      return;
    case TargetAction::Ignore:
      return;
    case TargetAction::LetGo:
      if (page.waitingForDebugger) {
        link_->connection->call("Runtime.runIfWaitingForDebugger", json::Value::object(), session);
      }
      browserCall("Target.detachFromTarget", json::Value().set("sessionId", session));
      return;
    case TargetAction::CloseWindow:
      closeWindow(session, page.targetId, target.get("url").asString());
      return;
  }
}

// The window waits for its debuggers before it runs, and an opener in its renderer waits with it:
// closed while it waits, it would leave the page frozen whenever a second client is attached. It
// is let go with every request it makes left unanswered, then closed; a window without a renderer
// yet (no opener) has nobody to answer the release, and is closed anyway.
void ChromiumPage::closeWindow(const std::string& session, const std::string& targetId, const std::string& url) {
  NewWindowRequest request{toWide(url)};
  if (newWindow_) {
    newWindow_(request);
  }
  json::Value everything;
  everything.set("urlPattern", "*");
  link_->connection->call("Fetch.enable", json::Value().set("patterns", json::Value::array().push(everything)), session);
  link_->connection->call(
      "Runtime.runIfWaitingForDebugger", json::Value::object(), session,
      [this, page = shared_from_this(), targetId](const DevToolsReply&) {
        browserCall("Target.closeTarget", json::Value().set("targetId", targetId));
      },
      kReleaseTimeout);
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
  // A navigation of the page itself: the policy decides whether it happens.
  if (params.get("resourceType").asString() == "Document" && params.get("frameId").asString() == targetId_) {
    bool cancel = false;
    raiseNavigation(toWide(params.get("request").get("url").asString()), &cancel);
    if (closed_) {
      return;
    }
    if (cancel) {
      const FetchAnswer refusal = PageRequests::refuse(params, "Aborted");
      pageCall(refusal.method, refusal.params);
      return;
    }
  }
  const FetchAnswer answer = requests_.answer(params);
  pageCall(answer.method, answer.params);
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
  link_->log.note("The browser was lost: " + reason);
  // A browser that stopped answering may still run: it must not outlive its page.
  link_->process->end();
  if (processFailed_) {
    processFailed_(ProcessFailure::BrowserProcessExited);
  }
}

void ChromiumPage::pageCall(std::string_view method, const json::Value& params, DevToolsConnection::ReplyHandler done,
                            std::chrono::milliseconds timeout) {
  if (!closed_ && !sessionId_.empty()) {
    link_->connection->call(method, params, sessionId_, std::move(done), timeout);
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

}  // namespace myr::browser::chromium
