#include "settings/settings_file.h"

#include <windows.h>

#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"

namespace myr {
namespace {

// Only a path the system reports as absent is missing. One it merely fails to query may hold the
// player's settings: written over as a new file, they would be lost.
bool isMissing(const std::filesystem::path& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    return false;
  }
  const DWORD code = GetLastError();
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

}  // namespace

std::filesystem::path settingsPath(const std::filesystem::path& gameFolder) { return gameFolder / L"myr.ini"; }

IniDocument loadSettings(const std::filesystem::path& path) {
  IniDocument document;
  if (isMissing(path)) {
    return document;
  }
  document.exists = true;
  if (const auto bytes = readFileLimited(path, kLargestSettingsFile, document.error)) {
    readSettingsText(*bytes, document);
  }
  return document;
}

bool writeSettings(const std::filesystem::path& path, const std::vector<SettingEntry>& entries, std::string& error) {
  if (std::string refusal = refusalOf(entries); !refusal.empty()) {
    error = std::move(refusal);
    return false;
  }
  std::optional<std::string> existing;
  if (!isMissing(path)) {
    existing = readFileLimited(path, kLargestSettingsFile, error);
    if (!existing) {
      return false;
    }
  }
  const std::string text = applySettingEntries(existing, entries);
  // CR LF endings can grow a file past what can be read back: it would lock the player out of it.
  if (text.size() > kLargestSettingsFile) {
    error = toUtf8(path.native()) + ": larger than " + std::to_string(kLargestSettingsFile) + " bytes";
    return false;
  }
  return writeFileAtomic(path, text, error);
}

}  // namespace myr
