#pragma once

// What a launcher ended in the middle of its work leaves among the saves: unfinished backup sets
// (backups\<set>.partial), the temporary file of a record or a format, and copies a restore had
// staged. Only names the launcher itself writes are ever removed.

#include <filesystem>
#include <string>
#include <vector>

namespace myr::saves {

// Removes them, after an interrupted restore had its chance to be finished: a staged copy stays
// while a restore record may still need it. The paths removed, relative to the game folder.
std::vector<std::string> removeSaveLeftovers(const std::filesystem::path& gameFolder);

}  // namespace myr::saves
