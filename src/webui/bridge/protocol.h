#pragma once

// Requests from the page, as the wire carries them; the replies and events going back are built
// by foundation/commands/reply.h.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/json/json.h"

namespace myr::bridge {

// Larger requests are dropped unanswered.
inline constexpr std::size_t kMaxRequestBytes = 0x100000;

struct Request {
  double id = -1;
  std::string command;
  json::Value args;
};

// Nothing for text that is too long, not JSON, or not an object: such requests get no reply.
std::optional<Request> parseRequest(std::string_view utf8);

}  // namespace myr::bridge
