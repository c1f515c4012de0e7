#pragma once

// Flushes and closes finished files on a thread of its own, so that the disk takes one file's
// bytes while the next file is copied.

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "foundation/error.h"
#include "foundation/files/win_handle.h"

namespace myr::disc {

class BackgroundFlush {
 public:
  BackgroundFlush();
  // Closes whatever is still waiting, without flushing it.
  ~BackgroundFlush();
  BackgroundFlush(const BackgroundFlush&) = delete;
  BackgroundFlush& operator=(const BackgroundFlush&) = delete;

  // Takes over a file written in full; name goes into the message should its flush fail.
  void add(WinHandle file, std::string name);
  // The first failure so far, without waiting.
  Status failure();
  // Waits until every file handed over is flushed and closed; the first failure.
  Status finish();

 private:
  struct Pending {
    WinHandle file;
    std::string name;
  };

  void flushPending();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Pending> pending_;
  bool working_ = false;
  bool stopping_ = false;
  Status failure_;
  std::thread thread_;
};

}  // namespace myr::disc
