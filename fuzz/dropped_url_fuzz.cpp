// Dropped file URLs: decoding escaped UTF-8 letters never grows the text, keeps valid UTF-8 valid
// and is done in one pass (a second one changes nothing).

#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "foundation/files/utf8.h"
#include "webui/dropped_file_url.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string url(reinterpret_cast<const char*>(data), size);
  const std::string letters = myr::webui::unescapeUtf8Letters(url);
  fuzzCheck(letters.size() <= url.size());
  fuzzCheck(!myr::isUtf8(url) || myr::isUtf8(letters));
  fuzzCheck(myr::webui::unescapeUtf8Letters(letters) == letters);
  return 0;
}
