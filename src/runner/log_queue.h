#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace myr::runner {

// Lines of the game's output on their way to the page, bounded so that a flooding game
// cannot outgrow the page: the oldest pending lines are dropped and counted.
class LogQueue {
 public:
  static constexpr std::size_t kMaxPending = 4000;
  static constexpr std::size_t kMaxTail = 40;

  struct Batch {
    std::vector<std::string> lines;
    std::uint64_t dropped = 0;
  };

  void push(std::string line);
  // The same as pushing each line in turn, under one lock, after dropped lines that were older
  // than all of them; the lines are moved out.
  void pushAll(std::vector<std::string>& lines, std::uint64_t dropped);
  // Up to maxLines from the front, with the count of lines dropped since the last batch.
  Batch take(std::size_t maxLines);
  std::vector<std::string> tail() const;
  void clear();

 private:
  mutable std::mutex mutex_;
  std::deque<std::string> pending_;
  std::deque<std::string> tail_;
  std::uint64_t dropped_ = 0;
};

}  // namespace myr::runner
