#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/log_sink.h"

namespace myr::testing {

// The launcher's log as a test reads it: every message kept, from any thread.
class RecordingLog final : public LogSink {
 public:
  void note(std::string_view message) override {
    {
      const std::lock_guard lock(mutex_);
      messages_.emplace_back(message);
    }
    changed_.notify_all();
  }

  std::vector<std::string> messages() const {
    const std::lock_guard lock(mutex_);
    return messages_;
  }

  bool contains(std::string_view text) const {
    const std::lock_guard lock(mutex_);
    return holds(text);
  }

  // Waits until a message holding text arrives; false when none did in time.
  bool waitFor(std::string_view text, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return holds(text); });
  }

 private:
  bool holds(std::string_view text) const {
    for (const std::string& message : messages_) {
      if (message.find(text) != std::string::npos) return true;
    }
    return false;
  }

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> messages_;
};

}  // namespace myr::testing
