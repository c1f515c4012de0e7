#include "runner/log_queue.h"

#include <utility>

namespace myr::runner {

void LogQueue::push(std::string line) {
  const std::lock_guard lock(mutex_);
  tail_.push_back(line);
  if (tail_.size() > kMaxTail) {
    tail_.pop_front();
  }
  pending_.push_back(std::move(line));
  if (pending_.size() > kMaxPending) {
    pending_.pop_front();
    ++dropped_;
  }
}

void LogQueue::pushAll(std::vector<std::string>& lines, std::uint64_t dropped) {
  if (lines.empty()) return;
  const std::lock_guard lock(mutex_);
  dropped_ += dropped;
  const std::size_t count = lines.size();
  for (std::size_t i = count > kMaxTail ? count - kMaxTail : 0; i < count; ++i) {
    tail_.push_back(lines[i]);
  }
  while (tail_.size() > kMaxTail) {
    tail_.pop_front();
  }
  // Lines older than the newest kMaxPending would be dropped as soon as they were queued.
  const std::size_t firstKept = count > kMaxPending ? count - kMaxPending : 0;
  dropped_ += firstKept;
  for (std::size_t i = firstKept; i < count; ++i) {
    pending_.push_back(std::move(lines[i]));
  }
  while (pending_.size() > kMaxPending) {
    pending_.pop_front();
    ++dropped_;
  }
  lines.clear();
}

LogQueue::Batch LogQueue::take(std::size_t maxLines) {
  const std::lock_guard lock(mutex_);
  Batch batch;
  while (!pending_.empty() && batch.lines.size() < maxLines) {
    batch.lines.push_back(std::move(pending_.front()));
    pending_.pop_front();
  }
  batch.dropped = std::exchange(dropped_, 0);
  return batch;
}

std::vector<std::string> LogQueue::tail() const {
  const std::lock_guard lock(mutex_);
  return {tail_.begin(), tail_.end()};
}

void LogQueue::clear() {
  const std::lock_guard lock(mutex_);
  pending_.clear();
  tail_.clear();
  dropped_ = 0;
}

}  // namespace myr::runner
