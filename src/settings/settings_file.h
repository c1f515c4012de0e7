#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "foundation/error.h"
#include "settings/ini_text.h"

namespace myr::settings {

// myr.ini in the game folder; every reader and writer uses this one path.
std::filesystem::path settingsPath(const std::filesystem::path& gameFolder);

// Never fails as a call: a missing file reads as no settings, a failure is in the document's error.
IniDocument loadSettings(const std::filesystem::path& path);

// Applies the entries in order and replaces the file atomically. On failure the file is as it was.
Status writeSettings(const std::filesystem::path& path, const std::vector<SettingEntry>& entries);

// The temporary file a launcher ended while it saved left beside myr.ini; its name when one was
// removed.
std::optional<std::string> removeSettingsLeftover(const std::filesystem::path& gameFolder);

}  // namespace myr::settings
