#pragma once

// Restoring a backup set over the current saves: nothing changes until the whole set is verified,
// the current saves are backed up into a new set, every file is staged and verified beside its
// target, and a record of what every target is now is written; only then are the staged files
// moved into place. A restore cut off before its end is finished at the next start only while
// every file is still as recorded; otherwise it waits for the player, who finishes or undoes it.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/error.h"
#include "foundation/json/json.h"

namespace myr::saves {

struct RestoreResult {
  std::uint64_t files = 0;
  std::string safetyBackup;  // the set made from the current saves; empty when there were none
};

// A restore that stopped before its end and was not finished: the saves may be half restored.
struct PendingRestore {
  std::string set;           // empty when the record does not say
  std::string safetyBackup;  // empty when there were no saves before it, or the record does not say
  std::string reason;
};

inline constexpr std::string_view kRestorePendingRefusal =
    "An interrupted restore waits for your decision: finish it or undo it on the Saves page first.";

// At start-up, before anything lists or changes the saves: finishes an interrupted restore when
// every file it would change is still as it recorded, and otherwise changes nothing. What it did,
// for the launcher's log; empty when there was nothing to do.
std::string finishInterruptedRestore(const std::filesystem::path& gameFolder);

// The restore that waits for the player, if any. Reads the saves, changes nothing; not to be
// asked while exclusive file work runs.
std::optional<PendingRestore> pendingRestore(const std::filesystem::path& gameFolder);
// null, or {"set", "safetyBackup", "reason"}.
json::Value pendingRestoreJson(const std::optional<PendingRestore>& pending);

// For exclusive work that changes saves: refused while a restore waits for the player. The record
// of a restore whose work is all done is removed.
Status refuseWhileRestorePending(const std::filesystem::path& gameFolder);

// The folder of the set the page named, or "There is no backup <name>.".
Result<std::filesystem::path> findBackupSet(const std::filesystem::path& gameFolder, std::string_view name);

// localNow names the safety set.
Result<RestoreResult> restoreSet(const std::filesystem::path& gameFolder, const std::filesystem::path& setFolder,
                                 const std::tm& localNow);

// {"kind": "set", "files", "safetyBackup"}.
Result<json::Value> restoreNow(const std::filesystem::path& gameFolder, const std::filesystem::path& setFolder);

// "finish": the set of the pending restore restored again; "undo": its safety set put back. Both
// back up the saves as they are now first. Replies like restoreNow.
bool isSettleAction(std::string_view action);
Result<json::Value> settleRestoreNow(const std::filesystem::path& gameFolder, std::string_view action);

}  // namespace myr::saves
