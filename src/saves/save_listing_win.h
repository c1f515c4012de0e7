#pragma once

// One snapshot of everything the player could care about before working on the saves. It only
// reads, and it may run while the game or another file operation changes files.

#include <filesystem>
#include <string_view>

#include "foundation/json/json.h"

namespace myr::saves {

// {"cards", "folders", "states", "backups", "format", "savedata", "locked"}: format is the save
// format the game will use ("card" or "myrsave", see saveFormatFrom), locked the text of the
// running game's refusal (empty when the game is not running).
json::Value listSaves(const std::filesystem::path& gameFolder, std::string_view format, std::string_view locked);

// {"slot", "file", "exists"}, and for an existing card its size, time and summary.
json::Value cardJson(const std::filesystem::path& path, int slot);

// The port's save data folder: {"exists", "folder", "system", "parked", "saves", "files", "bytes"}.
json::Value listSaveData(const std::filesystem::path& gameFolder);

}  // namespace myr::saves
