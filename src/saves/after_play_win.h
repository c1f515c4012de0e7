#pragma once

// The backup the launcher makes when the game ends: a set named "<stamp>_after-play", made only
// when the saves differ from the newest such set, of which the newest ten are kept. These are the
// only complete sets the launcher ever deletes, and only sets it made itself for this purpose.

#include <filesystem>
#include <string>

#include "foundation/error.h"
#include "foundation/json/json.h"

namespace myr::saves {

// Exclusive file work. {"state": "made", "name", "files", "bytes", "path"} with "warning" when
// an old set could not be deleted; {"state": "unchanged", "name": the newest set}; or
// {"state": "skipped", "reason"} when there are no saves or a restore waits for the player.
Result<json::Value> backupAfterPlayNow(const std::filesystem::path& gameFolder);

// What the page is told of it: {"state": "running"}, the result above, or {"state": "skipped",
// "reason"} and {"state": "failed", "error"}.
json::Value afterPlayRunning();
json::Value afterPlaySkipped(std::string reason);
json::Value afterPlayOutcome(const Result<json::Value>& outcome);

}  // namespace myr::saves
