#pragma once

// Which files in the save folders are saves: names from a file system, a manifest or the page
// must never make the launcher copy, replace or show anything else.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/files/file_names.h"
#include "foundation/json/json.h"

namespace myr::saves {

struct StateFile {
  std::string name;
  std::uint64_t bytes = 0;
  std::int64_t modifiedMs = 0;
};

// A file of the port's own save folder.
bool isSaveDataFileName(std::string_view name);
// Names of files being written (".tmp", ".import-tmp"): never backed up, restored, swept or
// listed in a manifest, so a half-written copy can never be taken for a save.
bool isTemporaryName(std::string_view name);
// A system save kept aside by a swap.
bool isKeptAsideName(std::string_view name);

// [{"name", "bytes", "modified"}...] in list order.
json::Value statesJson(const std::vector<StateFile>& states);

}  // namespace myr::saves
