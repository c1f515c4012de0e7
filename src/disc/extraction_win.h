#pragma once

// Copies the game's files out of the player's disc image into the game folder, each verified
// against its digest, all or nothing.

#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "disc/game_files.h"
#include "foundation/error.h"

namespace myr::disc {

enum class ExtractionOutcome { Extracted, AlreadyPresent };

// Called before each file is copied, with its 0-based index, the number of files and its name.
using ExtractionProgress = std::function<void(int index, int count, std::string_view name)>;

// Copies every file of table out of image into target, in table order, under temporary names;
// only when all are complete and verified are they put in place, the last row (the boot file)
// last. After a failure nothing of the run is left in target, and folders the run created are
// removed again. A target that already holds the boot file is left alone.
Result<ExtractionOutcome> extractGameFiles(const std::filesystem::path& image, const std::filesystem::path& target,
                                           std::span<const GameFile> table, const ExtractionProgress& progress);

// The temporary copies ("<name>.partial") of table's files that an extraction cut off by the
// launcher's end left in target; the names removed.
std::vector<std::string> removeExtractionLeftovers(const std::filesystem::path& target, std::span<const GameFile> table);

// The message for a folder the game's files cannot be written to, with the system's code.
Error folderWriteError(const std::filesystem::path& folder, unsigned long code);

}  // namespace myr::disc
