// A stand-in for a Windows browser started with --remote-debugging-pipe: it reads commands from
// its C runtime's descriptor 3 and writes replies to descriptor 4, as the real one does.
//   Browser.getVersion  answers {"product": "StandIn/1.2.3.4"}
//   Test.event          writes the event Test.happened, then answers
//   Test.stopReading    answers, then reads nothing more
//   Browser.close       ends the program
// Anything else is answered with an empty result.

#include <io.h>
#include <windows.h>

#include <string>

#include "foundation/json/json.h"

namespace {

void writeMessage(const std::string& message) {
  const std::string framed = message + '\0';
  _write(4, framed.data(), static_cast<unsigned>(framed.size()));
}

void answer(const myr::json::Value& command, const myr::json::Value& result) {
  myr::json::Value reply;
  reply.set("id", command.get("id")).set("result", result);
  writeMessage(myr::json::write(reply));
}

// False once the browser stops reading.
bool handle(const std::string& text) {
  const std::optional<myr::json::Value> command = myr::json::parse(text);
  if (!command) return true;
  const std::string& method = command->get("method").asString();
  if (method == "Browser.close") ExitProcess(0);
  if (method == "Browser.getVersion") {
    answer(*command, myr::json::Value().set("product", "StandIn/1.2.3.4"));
    return true;
  }
  if (method == "Test.event") {
    writeMessage(R"({"method":"Test.happened","params":{}})");
  }
  answer(*command, myr::json::Value::object());
  return method != "Test.stopReading";
}

}  // namespace

int wmain() {
  std::string pending;
  char buffer[4096];
  int got = 0;
  while ((got = _read(3, buffer, sizeof buffer)) > 0) {
    for (int i = 0; i < got; ++i) {
      if (buffer[i] != '\0') {
        pending += buffer[i];
        continue;
      }
      if (!handle(pending)) {
        Sleep(INFINITE);
      }
      pending.clear();
    }
  }
  return 0;
}
