#include "webui/bridge/protocol.h"

#include <utility>

namespace myr::bridge {

std::optional<Request> parseRequest(std::string_view utf8) {
  if (utf8.size() > kMaxRequestBytes) {
    return std::nullopt;
  }
  std::optional<json::Value> document = json::parse(utf8);
  if (!document || !document->isObject()) {
    return std::nullopt;
  }
  Request request;
  request.id = document->get("id").asNumber(-1);
  request.command = document->get("cmd").asString();
  request.args = document->get("args");
  return request;
}

}  // namespace myr::bridge
