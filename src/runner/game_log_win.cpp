#include "runner/game_log_win.h"

#include "foundation/files/win_text.h"
#include "runner/game_output.h"

namespace myr::runner {

LogQueue& logQueue() {
  static LogQueue queue;
  return queue;
}

void pushLogLine(std::string line) { pushLogLine(logQueue(), line, &localTextToUtf8); }

}  // namespace myr::runner
