#pragma once

// File-system pieces shared by the save operations: folder listings, temporary names and removing
// a folder tree. The clock is the environment's (localTimeNow, utcTimeNow).

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/environment_win.h"
#include "foundation/error.h"

namespace myr::saves {

struct FolderEntry {
  std::wstring name;
  bool isFolder = false;
  bool isLink = false;  // a symbolic link, junction or other name surrogate
  std::uint64_t size = 0;

  bool isRegularFile() const { return !isFolder && !isLink; }
};

struct FolderListing {
  std::vector<FolderEntry> entries;  // without "." and ".."
  unsigned long error = 0;           // why the folder could not be opened or read to its end
};

FolderListing listFolder(const std::filesystem::path& folder);

// Removes a folder with everything in it; failures are left for the next attempt.
void removeTree(const std::filesystem::path& folder);

}  // namespace myr::saves
