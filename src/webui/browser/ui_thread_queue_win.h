#pragma once

#include <windows.h>

#include <atomic>
#include <functional>

#include "foundation/log_sink.h"

namespace myr::browser {

// Runs work on the UI thread from its message loop, after the current message. Created and
// closed on the UI thread; post() may be called from any thread while the object lives.
class UiThreadQueue {
 public:
  // An exception a piece of work throws stops there and goes to log, which must outlive the queue.
  explicit UiThreadQueue(LogSink& log);
  ~UiThreadQueue();
  UiThreadQueue(const UiThreadQueue&) = delete;
  UiThreadQueue& operator=(const UiThreadQueue&) = delete;

  // False (and the work dropped unrun) when the queue is closed or the system refuses the post.
  bool post(std::function<void()> work);
  // UI thread: later posts fail, and work still queued is dropped unrun.
  void close();
  // The queue's window: runs one piece of work taken from a message.
  void run(LPARAM work) const;

 private:
  LogSink& log_;
  std::atomic<HWND> window_;
};

}  // namespace myr::browser
