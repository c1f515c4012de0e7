#pragma once

// The one way in from the page (web messages) and the only ways out (replies and events).

#include <windows.h>

#include <string>

#include "foundation/json/json.h"
#include "webui/bridge/command_table.h"
#include "webui/browser/browser_win.h"

namespace myr::bridge {

// Sent by other threads to the main window: lParam owns a std::string of one serialised reply or event.
inline constexpr UINT WM_APP_POST_JSON = WM_APP + 1;

// UI thread only. Dropped without notice while no browser view exists.
void sendResult(double id, json::Value result);
void sendError(double id, std::string message);
void sendEvent(std::string name, json::Value data);
void sendText(const std::string& json);

// Any thread: hands a serialised reply or event to the UI thread. False (and the text lost)
// when the main window cannot take it.
bool postJson(std::string json);
// The window postJson delivers to; set by the UI thread when the main window exists.
void setPostJsonTarget(HWND window);
// UI thread: the WM_APP_POST_JSON message's payload, sent and freed.
void deliverPostedJson(LPARAM payload);

// Calls the handler; a standard exception it throws is answered "Internal error: " + its message.
void runCommand(CommandHandler handler, double id, const json::Value& args);
void onWebMessageReceived(const browser::WebMessage& message);

}  // namespace myr::bridge
