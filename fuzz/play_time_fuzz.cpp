// logs\runs.log text: any bytes give a play time whose every counted run reads back the same
// when written again, and no total that wrapped around.

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "runner/play_time.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const myr::runner::PlayTime playTime = myr::runner::playTimeOf(text);
  fuzzCheck(playTime.runs <= size / 6);  // the shortest line is "0 0 0\n"
  fuzzCheck(playTime.lastPlayedMs.has_value() == (playTime.runs > 0));
  if (playTime.lastPlayedMs) fuzzCheck(*playTime.lastPlayedMs <= 253402300799999);
  std::string rewritten;
  std::size_t start = 0;
  for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n', start)) {
    if (const auto run = myr::runner::parseRunLine(text.substr(start, end - start))) {
      rewritten += myr::runner::runLine(*run);
    }
    start = end + 1;
  }
  const myr::runner::PlayTime reread = myr::runner::playTimeOf(rewritten);
  fuzzCheck(reread.runs == playTime.runs && reread.seconds == playTime.seconds &&
            reread.lastPlayedMs == playTime.lastPlayedMs);
  return 0;
}
