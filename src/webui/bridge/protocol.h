#pragma once

// The wire format between the page and the launcher: requests in, replies and events out.

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

json::Value successReply(double id, json::Value result);
json::Value failureReply(double id, std::string error);
json::Value eventMessage(std::string name, json::Value data);

}  // namespace myr::bridge
