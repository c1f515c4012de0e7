#include "runner/game_log_win.h"

#include "foundation/files/win_text.h"

namespace myr::runner {
namespace {

constexpr std::size_t kLongestLine = 2000;

}  // namespace

void pushLogLine(LogQueue& queue, std::string line) {
  if (!line.empty() && line.back() == '\r') {
    line.pop_back();
  }
  if (line.size() > kLongestLine) {
    line.resize(kLongestLine);
  }
  queue.push(localTextToUtf8(line));
}

}  // namespace myr::runner
