// What the browser sends over its pipe: NUL-ended messages in pieces of any size never crash
// the reader, which yields the same messages however the bytes are cut; each message is a reply
// or an event or nothing; Base64 has one text per byte string.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/bytes/base64.h"
#include "fuzz_check.h"
#include "webui/browser/chromium/devtools_message.h"

using namespace myr::browser::chromium;

namespace {

constexpr std::size_t kLargest = 1024;

// The messages of the whole stream cut at its NULs, or nothing when one outgrows the largest.
std::optional<std::vector<std::string>> messagesOfWhole(std::string_view bytes) {
  std::vector<std::string> messages;
  std::size_t start = 0;
  for (std::size_t end = bytes.find('\0'); end != std::string_view::npos; end = bytes.find('\0', start)) {
    if (end - start > kLargest) return std::nullopt;
    messages.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  if (bytes.size() - start > kLargest) return std::nullopt;
  return messages;
}

// The first byte chooses where the rest is cut, as reads of the pipe would cut it.
void checkFraming(std::string_view input) {
  if (input.empty()) return;
  const std::size_t step = 1 + static_cast<unsigned char>(input[0]) % 64;
  const std::string_view stream = input.substr(1);
  PipeMessages reader(kLargest);
  std::vector<std::string> completed;
  bool accepted = true;
  for (std::size_t at = 0; at < stream.size() && accepted; at += step) {
    accepted = reader.add(stream.substr(at, step), completed);
  }
  const auto expected = messagesOfWhole(stream);
  fuzzCheck(accepted == expected.has_value());
  if (expected) fuzzCheck(completed == *expected);
  for (const std::string& message : completed) {
    if (const auto incoming = parseDevToolsMessage(message)) {
      fuzzCheck(incoming->reply.has_value() != incoming->event.has_value());
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  checkFraming(text);
  fuzzCheck(myr::decodeBase64(myr::encodeBase64(text)) == text);
  if (const auto bytes = myr::decodeBase64(text)) {
    fuzzCheck(myr::encodeBase64(*bytes) == text);
  }
  return 0;
}
