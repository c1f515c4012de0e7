#pragma once

// What the page sees of the launcher: window.chrome.webview with postMessage and
// addEventListener("message"), carried by one protocol binding.

#include <optional>
#include <string>
#include <string_view>

namespace myr::browser::chromium {

// The name of the binding the shim takes for itself before any page script runs.
inline constexpr std::string_view kBindingName = "__myrLauncherPost";

// Runs in every new document before its own scripts.
std::string_view pageShimScript();

// What one call of the binding carries.
struct PagePost {
  enum class Kind { Message, CloseRequested };
  Kind kind = Kind::Message;
  std::optional<std::string> text;  // a posted string; empty when the page posted another value
};

// Nothing for payloads the shim never sends.
std::optional<PagePost> decodePagePost(std::string_view payload);

// The parameters of Runtime.evaluate that hand one JSON text to the page's message listeners as
// a parsed value, in the page's execution context. The JSON is the script's literal: the
// fastest of the ways measured to bring a megabyte into the page.
std::string deliveryParams(std::string_view json, int contextId);

}  // namespace myr::browser::chromium
