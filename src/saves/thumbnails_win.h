#pragma once

#include <filesystem>

#include "foundation/error.h"
#include "foundation/json/json.h"

namespace myr::saves {

// {"png": Base64} for the thumbnail of a numbered save, {} when there is no readable picture,
// or "Not a save slot" when slot is not a whole number from 0 to 999.
Result<json::Value> saveThumbnail(const std::filesystem::path& gameFolder, const json::Value& slot);

}  // namespace myr::saves
