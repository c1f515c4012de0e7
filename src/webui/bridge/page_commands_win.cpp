#include "webui/bridge/page_commands.h"

#include "app/main_window_win.h"
#include "webui/bridge/bridge_win.h"

namespace myr::bridge {

void cmdKeepOpen(double id, const json::Value&) {
  app::clearClosePending();
  sendResult(id, json::Value::object());
}

void cmdQuit(double id, const json::Value&) {
  sendResult(id, json::Value::object());
  app::quitWithoutAsking();
}

void cmdReady(double id, const json::Value&) {
  sendResult(id, json::Value::object());
  app::startCaptureTimerInCaptureMode();
}

}  // namespace myr::bridge
