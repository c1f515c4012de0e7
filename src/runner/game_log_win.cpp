#include "runner/game_log_win.h"

#include "foundation/files/win_text.h"

namespace myr::runner {
namespace {

constexpr std::size_t kLongestLine = 2000;

}  // namespace

LogQueue& logQueue() {
  static LogQueue queue;
  return queue;
}

void pushLogLine(std::string line) {
  if (!line.empty() && line.back() == '\r') {
    line.pop_back();
  }
  if (line.size() > kLongestLine) {
    line.resize(kLongestLine);
  }
  logQueue().push(localTextToUtf8(line));
}

}  // namespace myr::runner
