#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "runner/game_output.h"

namespace {

std::string unchanged(std::string_view bytes) { return std::string(bytes); }

}  // namespace

// Game output cut into reads as the first byte says: page lines never hold a line feed or grow
// past 2000 bytes, every line feed ends a line, and the log never takes more than one read past
// its cap nor writes the marker twice.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::size_t readSize = 1 + data[0] % 64;
  const std::string_view output(reinterpret_cast<const char*>(data) + 1, size - 1);

  myr::runner::OutputBlock block(1, 100);
  std::vector<std::string> lines;
  std::uint64_t logged = 0;
  int markers = 0;
  const auto drain = [&] {
    block.drain([&](const myr::runner::OutputBlock::Gathered& gathered) {
      for (const std::string_view line : gathered.lines) lines.push_back(myr::runner::logLineText(line, &unchanged));
      logged += gathered.log.size();
      markers += gathered.marker.empty() ? 0 : 1;
    });
  };
  for (std::size_t at = 0; at < output.size(); at += readSize) {
    const std::string_view chunk = output.substr(at, readSize);
    std::copy(chunk.begin(), chunk.end(), block.room().begin());
    block.added(chunk.size());
    if (block.full()) drain();
  }
  block.finish();
  drain();

  std::size_t feeds = 0;
  for (const char c : output) feeds += c == '\n' ? 1 : 0;
  fuzzCheck(lines.size() >= feeds);
  for (const std::string& line : lines) {
    fuzzCheck(line.size() <= myr::runner::kLongestLine);
    fuzzCheck(line.find('\n') == std::string::npos);
  }
  fuzzCheck(logged <= 100 + readSize - 1);
  fuzzCheck(markers == (output.size() >= 100 ? 1 : 0));
  return 0;
}
