#include "webui/browser/chromium/devtools_message.h"

#include <cmath>
#include <limits>

namespace myr::browser::chromium {
namespace {

std::optional<int> wholeNumberId(const json::Value& id) {
  if (!id.isNumber()) {
    return std::nullopt;
  }
  const double number = id.asNumber(0);
  if (number != std::floor(number) || number < 0 || number > std::numeric_limits<int>::max()) {
    return std::nullopt;
  }
  return static_cast<int>(number);
}

// Frames and pictures arrive as megabytes of text: moved out, never copied.
json::Value takeMember(json::Value& object, std::string_view key) {
  for (auto& [name, value] : object.members()) {
    if (name == key) {
      return std::move(value);
    }
  }
  return {};
}

std::string errorText(const json::Value& error) {
  const std::string& message = error.get("message").asString();
  return message.empty() ? std::string("The browser refused the command.") : message;
}

}  // namespace

std::string devToolsCommand(int id, std::string_view method, std::string_view params, std::string_view sessionId) {
  std::string command = "{\"id\":" + std::to_string(id) + ",\"method\":";
  json::write(command, json::Value(std::string(method)));
  command.reserve(command.size() + params.size() + sessionId.size() + 32);
  command += ",\"params\":";
  command += params;
  if (!sessionId.empty()) {
    command += ",\"sessionId\":";
    json::write(command, json::Value(std::string(sessionId)));
  }
  command += '}';
  command += '\0';
  return command;
}

std::optional<DevToolsIncoming> parseDevToolsMessage(std::string_view text) {
  std::optional<json::Value> message = json::parse(text);
  if (!message || !message->isObject()) {
    return std::nullopt;
  }
  DevToolsIncoming incoming;
  if (const json::Value& method = message->get("method"); method.isString() && !method.asString().empty()) {
    DevToolsEvent event;
    event.method = method.asString();
    event.sessionId = message->get("sessionId").asString();
    event.params = takeMember(*message, "params");
    incoming.event = std::move(event);
    return incoming;
  }
  const std::optional<int> id = wholeNumberId(message->get("id"));
  if (!id) {
    return std::nullopt;
  }
  DevToolsReply reply;
  reply.id = *id;
  if (const json::Value& error = message->get("error"); !error.isNull()) {
    reply.error = errorText(error);
  } else {
    reply.result = takeMember(*message, "result");
  }
  incoming.reply = std::move(reply);
  return incoming;
}

bool PipeMessages::add(std::string_view bytes, std::vector<std::string>& completed) {
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\0');
    const std::string_view piece = bytes.substr(0, end);
    if (partial_.size() + piece.size() > largest_) {
      return false;
    }
    partial_ += piece;
    if (end == std::string_view::npos) {
      return true;
    }
    completed.push_back(std::move(partial_));
    partial_.clear();
    bytes.remove_prefix(end + 1);
  }
  return true;
}

}  // namespace myr::browser::chromium
