#pragma once

// Messages of the DevTools protocol: commands we send, replies and events the browser sends.

#include <optional>
#include <string>
#include <string_view>

#include "foundation/json/json.h"

namespace myr::browser::chromium {

// One command; an empty session id addresses the browser itself. The parameters are JSON text.
std::string devToolsCommand(int id, std::string_view method, std::string_view params, std::string_view sessionId);

struct DevToolsReply {
  int id = 0;
  json::Value result;
  std::optional<std::string> error;  // the browser's message when the command failed
};

struct DevToolsEvent {
  std::string method;
  std::string sessionId;
  json::Value params;
};

struct DevToolsIncoming {
  std::optional<DevToolsReply> reply;
  std::optional<DevToolsEvent> event;
};

// Nothing when the text is neither a reply (a whole-number id) nor an event (a method name).
std::optional<DevToolsIncoming> parseDevToolsMessage(std::string_view text);

}  // namespace myr::browser::chromium
