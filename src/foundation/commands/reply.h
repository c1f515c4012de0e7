#pragma once

// The answer to one request from the page. A handler gets a Reply and completes it exactly once,
// at once or later from any thread; copies share that one completion.

#include <memory>
#include <string>

#include "foundation/error.h"
#include "foundation/json/json.h"

namespace myr::commands {

// Where the serialised reply goes. The bridge sends it on the UI thread and posts it from others.
class ReplyChannel {
 public:
  virtual ~ReplyChannel() = default;
  virtual void deliver(std::string json) = 0;
  // A programming error around a reply (completed twice, never completed), for the log.
  virtual void misuse(std::string what) = 0;
};

class Reply {
 public:
  Reply(double id, std::shared_ptr<ReplyChannel> channel);

  double id() const;
  void result(json::Value value);
  void error(std::string message);
  void complete(Result<json::Value> outcome);

 private:
  struct State;
  void send(json::Value envelope);

  std::shared_ptr<State> state_;
};

// The envelopes of the protocol: {"id","ok":true,"result"}, {"id","ok":false,"error"}, {"event","data"}.
json::Value successReply(double id, json::Value result);
json::Value failureReply(double id, std::string error);
json::Value eventMessage(std::string name, json::Value data);

}  // namespace myr::commands
