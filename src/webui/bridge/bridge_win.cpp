#include "webui/bridge/bridge_win.h"

#include <atomic>
#include <exception>
#include <memory>
#include <utility>

#include "foundation/files/win_text.h"
#include "webui/bridge/command_table.h"
#include "webui/bridge/hosts.h"
#include "webui/bridge/protocol.h"
#include "webui/web_host_win.h"

namespace myr::bridge {
namespace {

std::atomic<HWND> postTarget{nullptr};

void send(const json::Value& message) { sendText(json::write(message)); }

}  // namespace

void sendText(const std::string& json) {
  if (browser::View* view = webHost().view.get()) {
    view->postJson(toWide(json));
  }
}

void sendResult(double id, json::Value result) { send(successReply(id, std::move(result))); }

void sendError(double id, std::string message) { send(failureReply(id, std::move(message))); }

void sendEvent(std::string name, json::Value data) { send(eventMessage(std::move(name), std::move(data))); }

void setPostJsonTarget(HWND window) { postTarget.store(window); }

bool postJson(std::string json) {
  const HWND target = postTarget.load();
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

void deliverPostedJson(LPARAM payload) {
  const std::unique_ptr<std::string> text(reinterpret_cast<std::string*>(payload));
  sendText(*text);
}

void runCommand(CommandHandler handler, double id, const json::Value& args) {
  try {
    handler(id, args);
  } catch (const std::exception& e) {
    sendError(id, std::string("Internal error: ") + e.what());
  }
}

void onWebMessageReceived(const browser::WebMessage& message) {
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
  const CommandHandler handler = findCommand(request->command);
  if (handler == nullptr) {
    sendError(request->id, "Unknown command.");
    return;
  }
  runCommand(handler, request->id, request->args);
}

}  // namespace myr::bridge
