#pragma once

// Play time from logs\runs.log, the launcher's own record of every run: one line appended when a
// run ends, "<end in ms since 1970 UTC> <seconds played> <exit code>". The file may be damaged
// (a write cut off, a hand edit): such a line is skipped and the rest still counts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/json/json.h"

namespace myr::runner {

inline constexpr std::string_view kRunsLogName = "runs.log";
inline constexpr std::uint64_t kRunsLogLimitBytes = 1048576;

struct PlayTime {
  std::uint64_t runs = 0;
  std::uint64_t seconds = 0;
  std::optional<std::uint64_t> lastPlayedMs;  // the latest end of a run
};

struct RunLine {
  std::uint64_t endedMs = 0;
  std::uint64_t seconds = 0;
  std::uint32_t exitCode = 0;
};

std::string runLine(const RunLine& run);
// The line's run, or nothing when the line is damaged.
std::optional<RunLine> parseRunLine(std::string_view line);

PlayTime playTimeOf(std::string_view runsLog);

// {"runs", "seconds", "lastPlayed": ms since 1970 UTC or null}.
json::Value playTimeJson(const PlayTime& playTime);

}  // namespace myr::runner
