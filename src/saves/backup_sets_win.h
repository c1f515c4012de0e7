#pragma once

// Backup sets: dated, verified copies of every save file under backups\<name>\ with their
// manifest.sha256. A set is written as <name>.partial and renamed only once complete, so a folder
// with a set's name always holds a whole set.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/error.h"
#include "foundation/json/json.h"
#include "saves/backup_names.h"
#include "saves/save_files_win.h"

namespace myr::saves {

struct SaveFiles {
  std::vector<std::string> paths;    // relative to the game folder, parts joined by "/"
  std::string error;                 // a folder that could not be walked to its end; the paths found still count
  std::vector<std::string> skipped;  // saves whose names UTF-8 cannot carry, as near as UTF-8 can show them
};

// The save data files directly in savedata\QXUS-40404: the one rule that backups, the restore's
// removal of files the set lacks and its record all follow, so a restore can only remove what
// its safety set holds.
struct SaveDataFiles {
  std::vector<std::string> names;
  std::vector<std::string> skipped;  // as in SaveFiles
  unsigned long error = 0;           // why the folder could not be read to its end
};
SaveDataFiles listSaveDataFiles(const std::filesystem::path& gameFolder);

// A name that UTF-8 cannot carry back to the same file: such files are left out rather than
// copied under another name.
bool hasUtf8Name(const std::wstring& name);

// Every file (and every folder whose name UTF-8 cannot carry) in memcards\ and up to two
// folders below it, links not followed, with its path relative to the game folder; the error
// that cut a folder's listing short, if any.
using MemcardsVisitor = std::function<void(const std::string& path, const FolderEntry& entry)>;
unsigned long walkMemcards(const std::filesystem::path& gameFolder, const MemcardsVisitor& visit);
SaveDataFiles saveDataFilesOf(const FolderListing& listing);
inline constexpr std::string_view kSaveDataPrefix = "savedata/QXUS-40404/";

struct BackupResult {
  std::string name;
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
  std::int64_t createdMs = 0;
  std::vector<std::string> skipped;  // of collectSaveFiles
};

using BackupSetInfo = BackupResult;

// Memory card files (up to three folders deep), the port's save data files and the quick-save
// states, in that order.
SaveFiles collectSaveFiles(const std::filesystem::path& gameFolder);

// base followed by each "/"-separated part of relativePath.
std::filesystem::path manifestPath(const std::filesystem::path& base, std::string_view relativePath);

// Copies every save file into setFolder. A walk error of the collection fails the call although
// the set with the files found is in place.
Result<BackupResult> writeBackupSet(const std::filesystem::path& gameFolder, const std::filesystem::path& setFolder);

// A set named after localNow with the suffix ("" or "_before-restore"); a second set within the
// same second gets a counter.
Result<BackupResult> makeBackup(const std::filesystem::path& gameFolder, std::string_view suffix,
                                const std::tm& localNow);

Result<json::Value> backupNow(const std::filesystem::path& gameFolder);
// {"name", "files", "bytes", "path"} of a new set, and "skipped" when some saves could not be
// copied because of their names.
json::Value backupJson(const std::filesystem::path& gameFolder, const BackupResult& set);

Result<std::vector<ManifestEntry>> readManifest(const std::filesystem::path& setFolder);

// The newest 200 complete sets, newest first.
std::vector<BackupSetInfo> listBackupSets(const std::filesystem::path& gameFolder);
// [{"name", "files", "bytes", "created"}...]
json::Value backupSetsJson(const std::vector<BackupSetInfo>& sets);

// For a support report: each save file and each listed set on a line with its size, never what
// they hold.
std::string savesReport(const std::filesystem::path& gameFolder);

}  // namespace myr::saves
