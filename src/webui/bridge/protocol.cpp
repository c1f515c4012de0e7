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

json::Value successReply(double id, json::Value result) {
  json::Value reply;
  reply.set("id", id).set("ok", true).set("result", std::move(result));
  return reply;
}

json::Value failureReply(double id, std::string error) {
  json::Value reply;
  reply.set("id", id).set("ok", false).set("error", std::move(error));
  return reply;
}

json::Value eventMessage(std::string name, json::Value data) {
  json::Value event;
  event.set("event", std::move(name)).set("data", std::move(data));
  return event;
}

}  // namespace myr::bridge
