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
  if (const Result<std::string> bytes = readFileLimited(path, kLargestSettingsFile)) {
    readSettingsText(*bytes, document);
  } else {
    document.error = bytes.error().message;
  }
  return document;
}

Status writeSettings(const std::filesystem::path& path, const std::vector<SettingEntry>& entries) {
  if (std::string refusal = refusalOf(entries); !refusal.empty()) {
    return Error{std::move(refusal)};
  }
  std::optional<std::string> existing;
  if (!isMissingPath(path)) {
    Result<std::string> bytes = readFileLimited(path, kLargestSettingsFile);
    if (!bytes) {
      return bytes.error();
    }
    existing = std::move(bytes).value();
  }
  const std::string text = applySettingEntries(existing, entries);
  // CR LF endings can grow a file past what can be read back: it would lock the player out of it.
  if (text.size() > kLargestSettingsFile) {
    return Error{fileTooLargeError(path, kLargestSettingsFile)};
  }
  return writeFileAtomic(path, text);
}

std::optional<std::string> removeSettingsLeftover(const std::filesystem::path& gameFolder) {
  const std::filesystem::path temporary(settingsPath(gameFolder).native() + L".tmp");
  if (isMissingPath(temporary) || !deleteFile(temporary)) return std::nullopt;
  return toUtf8(temporary.filename().native());
}

}  // namespace myr::settings
