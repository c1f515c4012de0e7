#include "foundation/json/json.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

// Any input may fail to parse; what parses must write text that parses back to the same text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<myr::json::Value> value = myr::json::parse(text);
  if (!value) {
    return 0;
  }
  const std::string written = myr::json::write(*value);
  const std::optional<myr::json::Value> reparsed = myr::json::parse(written);
  if (!reparsed) {
    std::fprintf(stderr, "written text does not parse: %s\n", written.c_str());
    std::abort();
  }
  const std::string rewritten = myr::json::write(*reparsed);
  if (rewritten != written) {
    std::fprintf(stderr, "round trip changed the text:\n%s\n%s\n", written.c_str(), rewritten.c_str());
    std::abort();
  }
  return 0;
}
