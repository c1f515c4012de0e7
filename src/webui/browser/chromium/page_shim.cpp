#include "webui/browser/chromium/page_shim.h"

#include "foundation/json/json.h"

namespace myr::browser::chromium {
namespace {

// Only the top-level page talks to the launcher, as a web view delivers messages to it alone.
// In a new renderer process the binding may arrive after this script and the page's first
// posts: those wait for it, in order. window.close() becomes a request: the launcher's window
// decides whether it closes.
constexpr std::string_view kShim = R"JS((() => {
  if (window !== window.top) return;
  const waiting = [];
  const flush = () => {
    const binding = globalThis.__myrLauncherPost;
    if (typeof binding !== "function") { setTimeout(flush, 5); return; }
    while (waiting.length) binding(waiting.shift());
  };
  const post = (text) => { waiting.push(text); if (waiting.length === 1) flush(); };
  const listeners = new EventTarget();
  const webview = {
    postMessage(message) {
      post(typeof message === "string" ? "s" + message : "j" + JSON.stringify(message));
    },
    addEventListener: listeners.addEventListener.bind(listeners),
    removeEventListener: listeners.removeEventListener.bind(listeners),
  };
  Object.defineProperty(webview, "__myrReceive", {
    value: (data) => listeners.dispatchEvent(new MessageEvent("message", { data })),
  });
  if (typeof window.chrome !== "object" || window.chrome === null) window.chrome = {};
  Object.defineProperty(window.chrome, "webview", { value: Object.freeze(webview), enumerable: true });
  window.close = () => post("c");
})();)JS";

}  // namespace

std::string_view pageShimScript() { return kShim; }

std::optional<PagePost> decodePagePost(std::string_view payload) {
  if (payload.empty()) {
    return std::nullopt;
  }
  const std::string_view body = payload.substr(1);
  switch (payload.front()) {
    case 's':
      return PagePost{PagePost::Kind::Message, std::string(body)};
    case 'j':
      return PagePost{PagePost::Kind::Message, std::nullopt};
    case 'c':
      return body.empty() ? std::optional(PagePost{PagePost::Kind::CloseRequested, std::nullopt}) : std::nullopt;
    default:
      return std::nullopt;
  }
}

std::string deliveryParams(std::string_view json, int contextId) {
  std::string script = "window.chrome.webview.__myrReceive(";
  script.reserve(script.size() + json.size() + 1);
  script += json;
  script += ')';
  std::string params = R"({"contextId":)" + std::to_string(contextId) + R"(,"silent":true,"expression":)";
  params.reserve(params.size() + script.size() + script.size() / 8 + 8);
  json::write(params, json::Value(std::move(script)));
  params += '}';
  return params;
}

}  // namespace myr::browser::chromium
