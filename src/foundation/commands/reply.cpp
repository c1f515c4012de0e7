#include "foundation/commands/reply.h"

#include <atomic>
#include <utility>

namespace myr::commands {

inline constexpr char kNeverAnswered[] = "Internal error: the command ended without an answer.";

struct Reply::State {
  double id;
  std::shared_ptr<ReplyChannel> channel;
  std::atomic<bool> completed{false};

  State(double id, std::shared_ptr<ReplyChannel> channel) : id(id), channel(std::move(channel)) {}
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  // The page would wait for ever: it gets a failure, and the log says which request was lost.
  ~State() {
    if (!completed.load()) {
      channel->misuse("request " + json::write(json::Value(id)) + " was never answered");
      channel->deliver(json::write(failureReply(id, kNeverAnswered)));
    }
  }
};

Reply::Reply(double id, std::shared_ptr<ReplyChannel> channel)
    : state_(std::make_shared<State>(id, std::move(channel))) {}

double Reply::id() const { return state_->id; }

void Reply::send(json::Value envelope) {
  if (state_->completed.exchange(true)) {
    state_->channel->misuse("request " + json::write(json::Value(state_->id)) + " was answered twice");
    return;
  }
  state_->channel->deliver(json::write(envelope));
}

void Reply::result(json::Value value) { send(successReply(state_->id, std::move(value))); }

void Reply::error(std::string message) { send(failureReply(state_->id, std::move(message))); }

void Reply::complete(Result<json::Value> outcome) {
  if (outcome) {
    result(std::move(outcome).value());
  } else {
    error(outcome.error().message);
  }
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

}  // namespace myr::commands
