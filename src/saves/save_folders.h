#pragma once

#include <filesystem>
#include <vector>

#include "saves/save_names.h"

namespace myr::saves {

// base\savedata\QXUS-40404: the port's own saves, in the game folder and in every backup set.
std::filesystem::path saveDataFolder(const std::filesystem::path& base);

// The quick-save states directly in gameFolder\states, newest first.
std::vector<StateFile> listStates(const std::filesystem::path& gameFolder);

}  // namespace myr::saves
