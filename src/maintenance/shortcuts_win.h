#pragma once

#include <filesystem>

#include "foundation/error.h"

namespace myr::maintenance {

// Puts a shortcut to the launcher on the player's desktop, replacing one of the same name:
// "Myrrowen.lnk" starting the game with "--play", or "Myrrowen Launcher.lnk". The path of the
// file. UI thread, in a COM apartment. desktop is the account's desktop folder, empty when
// Windows has none.
Result<std::filesystem::path> createDesktopShortcut(bool play, const std::filesystem::path& gameFolder,
                                                    const std::filesystem::path& desktop);

}  // namespace myr::maintenance
