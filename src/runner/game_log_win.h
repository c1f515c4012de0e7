#pragma once

#include <string>

#include "runner/log_queue.h"

namespace myr::runner {

// Any thread: one line of game output (or a launcher note), cut and made UTF-8, queued for the page.
void pushLogLine(LogQueue& queue, std::string line);

}  // namespace myr::runner
