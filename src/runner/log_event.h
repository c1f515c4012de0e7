#pragma once

#include <cstddef>
#include <optional>

#include "foundation/json/json.h"
#include "runner/log_queue.h"

namespace myr::runner {

inline constexpr std::size_t kLinesPerLogEvent = 400;

// The data of the next "log" event: {"lines": up to 400 oldest first, "dropped": lines lost since
// the last event}; nothing when there is neither a line nor a loss to report. Calling it until it
// gives nothing empties the queue.
std::optional<json::Value> takeLogEvent(LogQueue& queue);

}  // namespace myr::runner
