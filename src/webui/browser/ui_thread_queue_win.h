#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

namespace myr::browser {

// Runs work on the UI thread from its message loop, after the current message. Created and
// closed on the UI thread; post() may be called from any thread while the object lives.
class UiThreadQueue {
 public:
  // reportFailure hears of an exception a piece of work threw, which stops there.
  explicit UiThreadQueue(std::function<void(const std::string&)> reportFailure);
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
  std::function<void(const std::string&)> reportFailure_;
  std::atomic<HWND> window_;
};

}  // namespace myr::browser
