// A line the page posts, as the launcher reads it: any bytes are dropped or give a request with
// an id and a command name, and the reply the launcher sends back to that id is JSON that the
// page reads back with the same id and content.

#include <cstdint>
#include <string_view>

#include "foundation/commands/reply.h"
#include "foundation/json/json.h"
#include "fuzz_check.h"
#include "webui/bridge/protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const std::optional<myr::bridge::Request> request = myr::bridge::parseRequest(line);
  if (!request) return 0;
  fuzzCheck(line.size() <= myr::bridge::kMaxRequestBytes);
  for (const myr::json::Value& reply : {myr::commands::successReply(request->id, request->args),
                                        myr::commands::failureReply(request->id, request->command)}) {
    const std::optional<myr::json::Value> read = myr::json::parse(myr::json::write(reply));
    fuzzCheck(read.has_value() && read->get("id").asNumber(-1) == reply.get("id").asNumber(-1));
    fuzzCheck(myr::json::write(*read) == myr::json::write(reply));
  }
  return 0;
}
