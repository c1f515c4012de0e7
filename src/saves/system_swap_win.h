#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

#include "foundation/error.h"
#include "foundation/json/json.h"

namespace myr::saves {

// Puts the kept-aside file keptName in use as system.myrsave, after parking the current
// system.myrsave as system-before-swap-<utcNow>.parked; returns the parked name (empty when there
// was no system save). Whatever step fails, both saves remain under some name.
Result<std::string> swapSystemFile(const std::filesystem::path& gameFolder, std::string_view keptName,
                                   const std::tm& utcNow);

// {"used": file, "kept": the parked name}.
Result<json::Value> swapSystemNow(const std::filesystem::path& gameFolder, std::string_view file);

}  // namespace myr::saves
