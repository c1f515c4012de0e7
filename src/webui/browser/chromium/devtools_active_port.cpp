#include "webui/browser/chromium/devtools_active_port.h"

#include "foundation/files/ascii_text.h"
#include "foundation/json/json.h"

namespace myr::browser::chromium {
namespace {

constexpr std::string_view kBrowserPathPrefix = "/devtools/browser/";
constexpr std::size_t kGuidLength = 36;

// One line ended by "\n" (a "\r" before it is dropped); nothing when the line is not complete.
std::optional<std::string_view> takeLine(std::string_view& text) {
  const std::size_t end = text.find('\n');
  if (end == std::string_view::npos) {
    return std::nullopt;
  }
  std::string_view line = text.substr(0, end);
  text.remove_prefix(end + 1);
  if (!line.empty() && line.back() == '\r') {
    line.remove_suffix(1);
  }
  return line;
}

std::optional<int> parsePort(std::string_view line) {
  if (line.empty() || line.size() > 5) {
    return std::nullopt;
  }
  int port = 0;
  for (const char c : line) {
    if (!isAsciiDigit(c)) {
      return std::nullopt;
    }
    port = port * 10 + (c - '0');
  }
  if (port < 1 || port > 65535) {
    return std::nullopt;
  }
  return port;
}

// The id is a GUID: checking its whole form also tells a path still being written from a
// complete one, and keeps anything else out of the request line it becomes part of.
bool isBrowserPath(std::string_view line) {
  if (!line.starts_with(kBrowserPathPrefix)) {
    return false;
  }
  const std::string_view id = line.substr(kBrowserPathPrefix.size());
  if (id.size() != kGuidLength) {
    return false;
  }
  for (std::size_t i = 0; i < id.size(); ++i) {
    const bool dashPlace = i == 8 || i == 13 || i == 18 || i == 23;
    if (dashPlace ? id[i] != '-' : hexDigitValue(id[i]) < 0) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<DevToolsEndpoint> parseDevToolsActivePort(std::string_view text) {
  const std::optional<std::string_view> portLine = takeLine(text);
  if (!portLine) {
    return std::nullopt;
  }
  const std::optional<int> port = parsePort(*portLine);
  // The browser ends the second line without a line break.
  std::string_view pathLine = text;
  if (const auto line = takeLine(text)) {
    pathLine = *line;
  }
  if (!port || !isBrowserPath(pathLine)) {
    return std::nullopt;
  }
  return DevToolsEndpoint{*port, std::string(pathLine)};
}

}  // namespace myr::browser::chromium

namespace myr::browser::chromium {

std::optional<DevToolsEndpoint> parseVersionEndpoint(std::string_view json, int port) {
  const std::optional<json::Value> version = json::parse(json);
  if (!version) {
    return std::nullopt;
  }
  const std::string expectedStart = "ws://127.0.0.1:" + std::to_string(port);
  const std::string& url = version->get("webSocketDebuggerUrl").asString();
  if (!url.starts_with(expectedStart) || !isBrowserPath(std::string_view(url).substr(expectedStart.size()))) {
    return std::nullopt;
  }
  return DevToolsEndpoint{port, url.substr(expectedStart.size())};
}

}  // namespace myr::browser::chromium
