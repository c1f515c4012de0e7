#pragma once

// The game's compiled shaders: where they live, how much they take, and emptying them.

#include <filesystem>

#include "foundation/error.h"
#include "foundation/json/json.h"

namespace myr::maintenance {

// ZEVR_DATA_DIR when it is set and not empty, else the game folder.
std::filesystem::path dataFolder(const std::filesystem::path& gameFolder);

// dataFolder\shadercache. The first call that finds only the older "shadercache_pcsx2" moves it
// to that name; when the move fails, the older folder is the cache.
std::filesystem::path shaderCacheFolder(const std::filesystem::path& dataFolder);

// {"bytes", "files", "path"} of the cache; a missing cache has 0 and 0.
json::Value cacheInfo(const std::filesystem::path& dataFolder);

// Deletes everything inside the cache, which stays: {"freed": bytes}, or how many of its direct
// entries could not be deleted wholly (the others are gone).
Result<json::Value> clearCache(const std::filesystem::path& dataFolder);

}  // namespace myr::maintenance
