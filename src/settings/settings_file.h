#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "settings/ini_text.h"

namespace myr::settings {

// myr.ini in the game folder; every reader and writer uses this one path.
std::filesystem::path settingsPath(const std::filesystem::path& gameFolder);

// Never fails as a call: a missing file reads as no settings, a failure is in the document's error.
IniDocument loadSettings(const std::filesystem::path& path);

// Applies the entries in order and replaces the file atomically. On false the error holds why and
// the file is as it was.
bool writeSettings(const std::filesystem::path& path, const std::vector<SettingEntry>& entries, std::string& error);

}  // namespace myr::settings
