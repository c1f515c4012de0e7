#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace myr::browser::chromium {

// Where a started browser listens: the port and the path of its browser-wide WebSocket.
struct DevToolsEndpoint {
  int port = 0;
  std::string browserPath;  // "/devtools/browser/<id>"
};

// The browser writes "DevToolsActivePort" into its profile folder: the port on the first line,
// the path on the second. Nothing while the file is incomplete or not of that form.
std::optional<DevToolsEndpoint> parseDevToolsActivePort(std::string_view text);

// A browser started on a port of our choosing writes no such file: it names its WebSocket in
// the answer to "/json/version" ("webSocketDebuggerUrl": "ws://127.0.0.1:<port>/devtools/browser/<id>").
std::optional<DevToolsEndpoint> parseVersionEndpoint(std::string_view json, int port);

}  // namespace myr::browser::chromium
