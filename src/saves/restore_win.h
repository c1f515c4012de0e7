#pragma once

// Restoring a backup set over the current saves: nothing changes until the whole set is verified,
// the current saves are backed up into a new set and every file is staged and verified beside its
// target; only then are the staged files moved into place.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

#include "foundation/error.h"
#include "foundation/json/json.h"

namespace myr::saves {

struct RestoreResult {
  std::uint64_t files = 0;
  std::string safetyBackup;  // the set made from the current saves; empty when there were none
};

// Completes a restore that was interrupted (the launcher ended) after it began to move files into
// place, so that the saves are never left half replaced. Nothing to do is success. Every
// operation that changes saves calls it first; the launcher calls it once when it starts.
Status finishInterruptedRestore(const std::filesystem::path& gameFolder);

// The folder of the set the page named, or "There is no backup <name>.".
Result<std::filesystem::path> findBackupSet(const std::filesystem::path& gameFolder, std::string_view name);

// localNow names the safety set.
Result<RestoreResult> restoreSet(const std::filesystem::path& gameFolder, const std::filesystem::path& setFolder,
                                 const std::tm& localNow);

// {"kind": "set", "files", "safetyBackup"}.
Result<json::Value> restoreNow(const std::filesystem::path& gameFolder, const std::filesystem::path& setFolder);

}  // namespace myr::saves
