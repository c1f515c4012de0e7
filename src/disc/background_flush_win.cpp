#include "disc/background_flush_win.h"

#include "foundation/files/win_text.h"

namespace myr::disc {

BackgroundFlush::BackgroundFlush() : thread_([this] { flushPending(); }) {}

BackgroundFlush::~BackgroundFlush() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BackgroundFlush::add(WinHandle file, std::string name) {
  {
    const std::lock_guard lock(mutex_);
    pending_.push_back({std::move(file), std::move(name)});
  }
  changed_.notify_all();
}

Status BackgroundFlush::failure() {
  const std::lock_guard lock(mutex_);
  return failure_;
}

Status BackgroundFlush::finish() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return pending_.empty() && !working_; });
  return failure_;
}

void BackgroundFlush::flushPending() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
    if (pending_.empty()) return;
    Pending next = std::move(pending_.front());
    pending_.pop_front();
    // After a failure, or when the run ends early, the files will be deleted: closing is enough.
    const bool flush = failure_ && !stopping_;
    working_ = true;
    lock.unlock();
    DWORD code = ERROR_SUCCESS;
    if (flush && !FlushFileBuffers(next.file.get())) code = GetLastError();
    if (!CloseHandle(next.file.release()) && code == ERROR_SUCCESS) code = GetLastError();
    lock.lock();
    working_ = false;
    if (code != ERROR_SUCCESS && failure_ && !stopping_) {
      failure_ = Error{next.name + " cannot be written: " + systemErrorText(code) + ".", code};
    }
    changed_.notify_all();
  }
}

}  // namespace myr::disc
