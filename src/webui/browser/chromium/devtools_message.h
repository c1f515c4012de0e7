#pragma once

// Messages of the DevTools protocol: commands we send, replies and events the browser sends,
// each ended by a NUL byte on the pipe that carries them.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/json/json.h"

namespace myr::browser::chromium {

// One command as the pipe carries it, NUL included; an empty session id addresses the browser
// itself. The parameters are JSON text.
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

// The messages in what the browser writes, whatever pieces its bytes arrive in.
class PipeMessages {
 public:
  explicit PipeMessages(std::size_t largest) : largest_(largest) {}
  // Appends the messages these bytes complete to completed; false when a message grows beyond
  // the largest, which no browser sends.
  bool add(std::string_view bytes, std::vector<std::string>& completed);

 private:
  std::size_t largest_;
  std::string partial_;
};

}  // namespace myr::browser::chromium
