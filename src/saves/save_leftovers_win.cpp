#include "saves/save_leftovers_win.h"

#include <string_view>

#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"
#include "saves/backup_names.h"
#include "saves/backup_sets_win.h"
#include "saves/restore_record.h"
#include "saves/save_files_win.h"
#include "saves/save_folders.h"
#include "saves/save_names.h"

namespace myr::saves {
namespace {

constexpr std::string_view kStagedSuffix = ".import-tmp";
constexpr std::string_view kPartialSuffix = ".partial";

// A copy a restore stages: "<save file>.import-tmp".
bool isStagedPath(std::string_view path) {
  return path.ends_with(kStagedSuffix) && isManifestPath(path.substr(0, path.size() - kStagedSuffix.size()));
}

class Removal {
 public:
  explicit Removal(const std::filesystem::path& gameFolder) : gameFolder_(gameFolder) {}

  void file(std::string_view relativePath) {
    const std::filesystem::path path = manifestPath(gameFolder_, relativePath);
    if (!isMissingPath(path) && deleteFile(path)) removed_.push_back(shown(relativePath));
  }
  void folder(std::string_view relativePath) {
    removeTree(manifestPath(gameFolder_, relativePath));
    if (isMissingPath(manifestPath(gameFolder_, relativePath))) removed_.push_back(shown(relativePath) + "\\");
  }
  std::vector<std::string> removed() && { return std::move(removed_); }

 private:
  static std::string shown(std::string_view relativePath) {
    std::string text(relativePath);
    for (char& c : text) c = c == '/' ? '\\' : c;
    return text;
  }

  const std::filesystem::path& gameFolder_;
  std::vector<std::string> removed_;
};

void removeUnfinishedSets(const std::filesystem::path& gameFolder, Removal& removal) {
  for (const FolderEntry& entry : listFolder(gameFolder / L"backups").entries) {
    const std::string name = toUtf8(entry.name);
    if (entry.isFolder && !entry.isLink && name.ends_with(kPartialSuffix) &&
        isBackupSetName(std::string_view(name).substr(0, name.size() - kPartialSuffix.size()))) {
      removal.folder("backups/" + name);
    }
  }
}

void removeStagedCopies(const std::filesystem::path& gameFolder, Removal& removal) {
  std::vector<std::string> staged;
  const auto collect = [&staged](const std::string& path, const FolderEntry& entry) {
    if (entry.isRegularFile() && hasUtf8Name(entry.name) && isStagedPath(path)) staged.push_back(path);
  };
  static_cast<void>(walkMemcards(gameFolder, collect));
  for (const auto& [folder, prefix] : {std::pair{saveDataFolder(gameFolder), std::string(kSaveDataPrefix)},
                                      std::pair{gameFolder / L"states", std::string("states/")}}) {
    for (const FolderEntry& entry : listFolder(folder).entries) collect(prefix + toUtf8(entry.name), entry);
  }
  for (const std::string& path : staged) removal.file(path);
}

}  // namespace

std::vector<std::string> removeSaveLeftovers(const std::filesystem::path& gameFolder) {
  Removal removal(gameFolder);
  removeUnfinishedSets(gameFolder, removal);
  removal.file("backups/" + std::string(kRestoreRecordName) + ".tmp");
  for (const char* card : {"memcards/Mcd001.ps2.tmp", "memcards/Mcd002.ps2.tmp"}) removal.file(card);
  if (isMissingPath(gameFolder / L"backups" / toWide(kRestoreRecordName))) removeStagedCopies(gameFolder, removal);
  return std::move(removal).removed();
}

}  // namespace myr::saves
