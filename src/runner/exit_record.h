#pragma once

// How a run ended, in the words the player reads.

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/json/json.h"

namespace myr::runner {

struct RunEnd {
  std::uint32_t exitCode = 0;
  std::uint64_t elapsedMs = 0;  // from the start to the handling of the end
  bool stoppedByLauncher = false;
  std::vector<std::string> tail;  // the run's last lines, oldest first
};

std::string exitMessage(std::uint32_t exitCode, bool stoppedByLauncher);

// The last tail line that begins with "error:" or "fatal:", or empty.
std::string failureDetail(const std::vector<std::string>& tail);

// {"code", "seconds", "message", "fail", "detail", "tail"}: the "gameExited" event and lastRun.
json::Value buildExitRecord(const RunEnd& run);

// lastRun when a start without the page failed before any run: {"fail", "message", "code", "seconds"}.
json::Value startFailureRecord(std::string message);

}  // namespace myr::runner
