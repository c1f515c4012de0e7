#pragma once

#include <string_view>

#include "runner/log_queue.h"

namespace myr::runner {

// Any thread: one line of game output (or a launcher note), cut and made UTF-8 from the system's
// code page where it is not UTF-8 already, queued for the page.
void pushLogLine(LogQueue& queue, std::string_view line);

}  // namespace myr::runner
