#pragma once

// The one way in from the page (web messages) and the only ways out (replies and events).

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "foundation/commands/command.h"
#include "foundation/commands/reply.h"
#include "foundation/json/json.h"
#include "webui/browser/browser_win.h"

namespace myr::bridge {

// Sent by other threads to the main window: lParam owns a std::string of one serialised reply or event.
inline constexpr UINT WM_APP_POST_JSON = WM_APP + 1;

class Bridge {
 public:
  // currentView: the view that shows the page now, or null. misuse hears of replies completed
  // twice or never (programming errors, for the log).
  Bridge(std::function<browser::View*()> currentView, std::function<void(const std::string&)> misuse);
  ~Bridge();
  Bridge(const Bridge&) = delete;
  Bridge& operator=(const Bridge&) = delete;

  void setCommands(commands::CommandList commands) { commands_ = std::move(commands); }
  const commands::CommandList& commands() const { return commands_; }

  // UI thread. Dropped without notice while no browser view exists.
  void sendEvent(std::string name, json::Value data);
  void sendText(const std::string& json);

  // Any thread: hands a serialised reply or event to the UI thread. False (and the text lost)
  // when the main window cannot take it.
  bool postJson(std::string json);
  // postJson for a worker that may outlive the bridge: once the bridge is gone it posts nothing.
  std::function<bool(std::string)> poster() const;
  // The window postJson delivers to; set by the UI thread when the main window exists, cleared
  // when it goes.
  void setPostTarget(HWND window);
  // UI thread: the WM_APP_POST_JSON message's payload, sent and freed.
  void deliverPosted(LPARAM payload);

  // A reply to request id: sent at once on the UI thread, posted from any other.
  commands::Reply replyTo(double id);
  // Calls the handler; a standard exception it throws is answered "Internal error: " + its message.
  void runCommand(const commands::Handler& handler, const json::Value& args, commands::Reply reply);
  void onWebMessageReceived(const browser::WebMessage& message);

 private:
  class Channel;

  std::function<browser::View*()> currentView_;
  commands::CommandList commands_;
  std::shared_ptr<Channel> channel_;
};

}  // namespace myr::bridge
