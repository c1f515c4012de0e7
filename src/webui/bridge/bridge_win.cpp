#include "webui/bridge/bridge_win.h"

#include <exception>
#include <memory>
#include <mutex>
#include <utility>

#include "foundation/files/win_text.h"
#include "webui/bridge/hosts.h"
#include "webui/bridge/protocol.h"

namespace myr::bridge {

// Where replies go. It outlives the bridge in the replies that workers still hold: once the
// bridge is gone (or the window), their text is dropped instead of reaching freed objects.
class Bridge::Channel final : public commands::ReplyChannel {
 public:
  Channel(Bridge* bridge, std::function<void(const std::string&)> misuse)
      : bridge_(bridge), misuse_(std::move(misuse)), uiThread_(GetCurrentThreadId()) {}

  void deliver(std::string json) override {
    if (GetCurrentThreadId() != uiThread_) {
      post(std::move(json));
    } else if (bridge_ != nullptr) {
      bridge_->sendText(json);
    }
  }

  void misuse(std::string what) override {
    const std::lock_guard lock(misuseMutex_);
    if (misuse_) {
      misuse_(what);
    }
  }

  bool post(std::string json) {
    const HWND target = target_.load();
    // Without a window PostMessageW would queue the text on this thread, where nothing sends or frees it.
    if (target == nullptr) {
      return false;
    }
    auto text = std::make_unique<std::string>(std::move(json));
    if (!PostMessageW(target, WM_APP_POST_JSON, 0, reinterpret_cast<LPARAM>(text.get()))) {
      return false;
    }
    text.release();
    return true;
  }

  void setTarget(HWND window) { target_.store(window); }

  // UI thread, when the bridge goes.
  void detach() {
    bridge_ = nullptr;
    target_.store(nullptr);
    const std::lock_guard lock(misuseMutex_);
    misuse_ = nullptr;
  }

 private:
  Bridge* bridge_;  // UI thread only
  std::mutex misuseMutex_;
  std::function<void(const std::string&)> misuse_;
  std::atomic<HWND> target_{nullptr};
  const DWORD uiThread_;
};

Bridge::Bridge(std::function<browser::View*()> currentView, std::function<void(const std::string&)> misuse)
    : currentView_(std::move(currentView)), channel_(std::make_shared<Channel>(this, std::move(misuse))) {}

Bridge::~Bridge() { channel_->detach(); }

void Bridge::sendText(const std::string& json) {
  if (browser::View* view = currentView_()) {
    view->postJsonUtf8(json);
  }
}

void Bridge::sendEvent(std::string name, json::Value data) {
  sendText(json::write(commands::eventMessage(std::move(name), std::move(data))));
}

bool Bridge::postJson(std::string json) { return channel_->post(std::move(json)); }

std::function<bool(std::string)> Bridge::poster() const {
  return [channel = channel_](std::string json) { return channel->post(std::move(json)); };
}

void Bridge::setPostTarget(HWND window) { channel_->setTarget(window); }

void Bridge::deliverPosted(LPARAM payload) {
  const std::unique_ptr<std::string> text(reinterpret_cast<std::string*>(payload));
  sendText(*text);
}

commands::Reply Bridge::replyTo(double id) { return commands::Reply(id, channel_); }

void Bridge::runCommand(const commands::Handler& handler, const json::Value& args, commands::Reply reply) {
  try {
    handler(args, reply);
  } catch (const std::exception& e) {
    reply.error(std::string("Internal error: ") + e.what());
  }
}

void Bridge::onWebMessageReceived(const browser::WebMessage& message) {
  if (!std::wstring_view(message.source).starts_with(kUiOrigin) || !message.text) {
    return;
  }
  // Each UTF-16 unit becomes at least one UTF-8 byte: a text this long is refused unconverted.
  if (message.text->size() > kMaxRequestBytes) {
    return;
  }
  const std::optional<Request> request = parseRequest(toUtf8(*message.text));
  if (!request) {
    return;
  }
  commands::Reply reply = replyTo(request->id);
  const commands::Handler* handler = commands::findCommand(commands_, request->command);
  if (handler == nullptr) {
    reply.error("Unknown command.");
    return;
  }
  runCommand(*handler, request->args, std::move(reply));
}

}  // namespace myr::bridge
