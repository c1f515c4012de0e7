#pragma once

// The replies of commands run in a test program, as the page would receive them.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/commands/reply.h"
#include "foundation/json/json.h"

namespace myr::testing {

class ReplyRecorder final : public commands::ReplyChannel {
 public:
  void deliver(std::string json) override {
    const std::lock_guard lock(mutex_);
    delivered_.push_back(std::move(json));
    changed_.notify_all();
  }
  void misuse(std::string what) override { ADD_FAILURE() << what; }

  // The next reply not yet taken, parsed; Null when none comes.
  json::Value next() {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::seconds(30), [&] { return delivered_.size() > taken_; })) {
      ADD_FAILURE() << "no reply";
      return {};
    }
    return json::parse(delivered_[taken_++]).value_or(json::Value());
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> delivered_;
  std::size_t taken_ = 0;
};

}  // namespace myr::testing
