// What the browser sends: messages, its port file and Base64 never crash the reader; an
// accepted endpoint path is exactly the browser's form; Base64 has one text per byte string.

#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "webui/browser/chromium/base64.h"
#include "webui/browser/chromium/devtools_active_port.h"
#include "webui/browser/chromium/devtools_message.h"

using namespace myr::browser::chromium;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (const auto message = parseDevToolsMessage(text)) {
    fuzzCheck(message->reply.has_value() != message->event.has_value());
  }
  if (const auto endpoint = parseDevToolsActivePort(text)) {
    fuzzCheck(endpoint->port >= 1 && endpoint->port <= 65535);
    fuzzCheck(endpoint->browserPath.size() == 18 + 36);
    fuzzCheck(endpoint->browserPath.find_first_of(" \r\n?#%") == std::string::npos);
  }
  fuzzCheck(decodeBase64(encodeBase64(text)) == text);
  if (const auto bytes = decodeBase64(text)) {
    fuzzCheck(encodeBase64(*bytes) == text);
  }
  return 0;
}
