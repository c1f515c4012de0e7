#include "settings/settings_file.h"

#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"

namespace myr::settings {

std::filesystem::path settingsPath(const std::filesystem::path& gameFolder) { return gameFolder / L"myr.ini"; }

IniDocument loadSettings(const std::filesystem::path& path) {
  IniDocument document;
  if (isMissingPath(path)) {
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
  if (!isMissingPath(path)) {
    existing = readFileLimited(path, kLargestSettingsFile, error);
    if (!existing) {
      return false;
    }
  }
  const std::string text = applySettingEntries(existing, entries);
  // CR LF endings can grow a file past what can be read back: it would lock the player out of it.
  if (text.size() > kLargestSettingsFile) {
    error = fileTooLargeError(path, kLargestSettingsFile);
    return false;
  }
  return writeFileAtomic(path, text, error);
}

}  // namespace myr::settings
