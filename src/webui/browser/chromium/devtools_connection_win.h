#pragma once

// One WebSocket connection to a browser's DevTools endpoint (WinHTTP's client: it passes our
// tests under Wine and needs no code of our own for the framing and the handshake).
// Commands may be sent from any thread; replies, events and the loss of the connection are
// handed to the UI thread. A command without an answer in time counts as a lost browser.

#include <windows.h>
#include <winhttp.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "foundation/error.h"
#include "foundation/files/win_handle.h"
#include "foundation/json/json.h"
#include "webui/browser/chromium/devtools_message.h"
#include "webui/browser/chromium/ui_post.h"

namespace myr::browser::chromium {

inline constexpr std::chrono::milliseconds kCallTimeout{10000};

using InternetHandle = UniqueWinHandle<&::WinHttpCloseHandle>;

// The browser's answer to "/json/version" on a local port; nothing while nobody answers there.
std::optional<std::string> readVersionJson(int port);

class DevToolsConnection : public std::enable_shared_from_this<DevToolsConnection> {
 public:
  using ReplyHandler = std::function<void(const DevToolsReply&)>;
  // Runs on the connection's reader thread, so that bulky events (frames) need not pass the UI thread.
  using EventSink = std::function<void(DevToolsEvent&&)>;
  // UI thread; the reason is a sentence for the log.
  using LostHandler = std::function<void(const std::string& reason)>;

  static Result<std::shared_ptr<DevToolsConnection>> open(int port, const std::string& path, UiPost post);
  ~DevToolsConnection() = default;
  DevToolsConnection(const DevToolsConnection&) = delete;
  DevToolsConnection& operator=(const DevToolsConnection&) = delete;

  // Starts reading; call once, after the handlers are in place.
  void start(EventSink events, LostHandler lost);

  // done (may be empty) runs on the UI thread with the reply, or with an error when the
  // connection is gone. Any thread.
  void call(std::string_view method, const json::Value& params, std::string_view sessionId = {}, ReplyHandler done = {},
            std::chrono::milliseconds timeout = kCallTimeout);
  // The same with the parameters as JSON text, for bulky ones built without a JSON value.
  void callWithText(std::string_view method, std::string_view params, std::string_view sessionId = {},
                    ReplyHandler done = {}, std::chrono::milliseconds timeout = kCallTimeout);

  // Ends the connection without reporting it lost; nothing more reaches the UI thread.
  void close();

  // The reader and the watcher hold the connection until they end, so it may be released at any time.

 private:
  struct Pending {
    ReplyHandler done;
    std::chrono::steady_clock::time_point deadline;
  };

  DevToolsConnection(InternetHandle session, InternetHandle connection, InternetHandle socket, UiPost post);

  void readLoop();
  void watchLoop();
  void dispatch(std::string&& text);
  void fail(const std::string& reason);
  void post(std::function<void()> work);

  InternetHandle session_;
  InternetHandle connection_;
  InternetHandle socket_;
  UiPost post_;
  EventSink events_;
  LostHandler lost_;

  std::mutex sendMutex_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<int, Pending> pending_;
  int nextId_ = 1;
  bool ended_ = false;
};

}  // namespace myr::browser::chromium
