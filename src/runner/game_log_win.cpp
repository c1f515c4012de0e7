#include "runner/game_log_win.h"

#include "foundation/files/win_text.h"
#include "runner/game_output.h"

namespace myr::runner {

void pushLogLine(LogQueue& queue, std::string_view line) { pushLogLine(queue, line, &localTextToUtf8); }

}  // namespace myr::runner
