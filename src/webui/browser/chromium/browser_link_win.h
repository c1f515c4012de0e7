#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "foundation/json/json.h"
#include "foundation/log_sink.h"
#include "webui/browser/chromium/browser_process_win.h"
#include "webui/browser/chromium/devtools_connection_win.h"
#include "webui/browser/chromium/ui_post.h"

namespace myr::browser::chromium {

// The browser, its connection and the frames on their way, shared by the environment and its page.
struct BrowserLink {
  BrowserLink(UiPost post, LogSink& log, std::shared_ptr<std::string> version)
      : post(std::move(post)), log(log), version(std::move(version)) {}

  std::unique_ptr<BrowserProcess> process;
  std::shared_ptr<DevToolsConnection> connection;
  UiPost post;
  LogSink& log;
  std::shared_ptr<std::string> version;  // filled once the browser reports it

  // The page that receives events; set on the UI thread, read by the connection's reader.
  std::mutex mutex;
  std::function<void(DevToolsEvent&&)> frames;
  std::function<void(DevToolsEvent&&)> events;
  std::function<void(const std::string&)> lost;

  void end() {
    if (connection) {
      connection->call("Browser.close", json::Value::object());
      connection->close();
    }
    if (process) {
      process->end();
    }
  }
  ~BrowserLink() { end(); }
};

}  // namespace myr::browser::chromium
