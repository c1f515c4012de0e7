#pragma once

// The DevTools protocol over the browser's pipe. Commands may be sent from any thread and never
// wait for the browser: a thread of the connection writes them in order. Replies, events and the
// loss of the browser are handed to the UI thread. A browser-wide command without
// an answer in time counts as a lost browser; a command to a page that does not answer in time
// only gets an error, since a page may hang while its browser is well.

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "foundation/error.h"
#include "foundation/files/win_handle.h"
#include "foundation/json/json.h"
#include "foundation/log_sink.h"
#include "webui/browser/chromium/devtools_message.h"
#include "webui/browser/chromium/devtools_pipe_win.h"
#include "webui/browser/chromium/ui_post.h"

namespace myr::browser::chromium {

inline constexpr std::chrono::milliseconds kCallTimeout{10000};

class DevToolsConnection : public std::enable_shared_from_this<DevToolsConnection> {
 public:
  using ReplyHandler = std::function<void(const DevToolsReply&)>;
  // Runs on the connection's reader thread, so that bulky events (frames) need not pass the UI thread.
  using EventSink = std::function<void(DevToolsEvent&&)>;
  // UI thread; the reason is a sentence for the log.
  using LostHandler = std::function<void(const std::string& reason)>;

  // What its threads throw goes to log, which must outlive them.
  static Result<std::shared_ptr<DevToolsConnection>> open(DevToolsPipe pipe, UiPost post, LogSink& log);
  DevToolsConnection(const DevToolsConnection&) = delete;
  DevToolsConnection& operator=(const DevToolsConnection&) = delete;

  // Starts reading; call once, after the handlers are in place.
  void start(EventSink events, LostHandler lost);

  // Asks the browser its version (Browser.getVersion) and waits on the calling thread (never the
  // UI thread) for the answer: the product it names ("" when it names none), or the reason when
  // it did not answer in time or the connection ended.
  Result<std::string> waitForProduct(std::chrono::milliseconds timeout);

  // done (may be empty) runs on the UI thread with the reply, or with an error when the
  // connection is gone or the page did not answer in time. Any thread.
  void call(std::string_view method, const json::Value& params, std::string_view sessionId = {}, ReplyHandler done = {},
            std::chrono::milliseconds timeout = kCallTimeout);
  // The same with the parameters as JSON text, for bulky ones built without a JSON value.
  void callWithText(std::string_view method, std::string_view params, std::string_view sessionId = {},
                    ReplyHandler done = {}, std::chrono::milliseconds timeout = kCallTimeout);

  // Ends the connection without reporting it lost; nothing more reaches the UI thread. Commands
  // sent before are still written, for a second at most; then a write or read in progress gives up.
  void close();

  // The reader, the writer and the watcher hold the connection until they end, so it may be
  // released at any time.

 private:
  struct Pending {
    ReplyHandler done;
    std::chrono::steady_clock::time_point deadline;
    bool browserWide = false;
    bool asksProduct = false;  // its answer is kept for waitForProduct, not posted
  };

  DevToolsConnection(DevToolsPipe pipe, WinHandle stopped, WinHandle written, WinHandle read, UiPost post,
                     LogSink& log);

  void send(std::string_view method, std::string_view params, std::string_view sessionId, Pending pending);
  void startThread(const char* name, void (DevToolsConnection::*loop)());
  void readLoop();
  void writeLoop();
  void watchLoop();
  void expire(std::chrono::steady_clock::time_point now);
  void dispatch(std::string&& text);
  void fail(const std::string& reason);
  void wakeEveryWait();
  void post(std::function<void()> work);

  DevToolsPipe pipe_;
  WinHandle stopped_;  // set once the connection ended: waits on the pipe give up
  WinHandle written_;
  WinHandle read_;
  UiPost post_;
  LogSink& log_;
  EventSink events_;
  LostHandler lost_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<int, Pending> pending_;
  std::deque<std::string> outgoing_;
  int nextId_ = 1;
  std::optional<std::string> product_;
  bool ended_ = false;
  std::string endReason_;
};

}  // namespace myr::browser::chromium
