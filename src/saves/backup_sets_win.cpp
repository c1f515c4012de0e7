#include "saves/backup_sets_win.h"

#include <algorithm>

#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"
#include "foundation/pause_points.h"
#include "saves/save_files_win.h"
#include "saves/save_folders.h"
#include "saves/save_names.h"
#include "saves/sha256_win.h"

namespace myr::saves {
namespace {

constexpr int kMemcardsDepth = 3;
constexpr std::size_t kListedSets = 200;

std::filesystem::path backupsFolder(const std::filesystem::path& gameFolder) { return gameFolder / L"backups"; }

void walkMemcards(const std::filesystem::path& folder, const std::string& relative, int depth,
                  const MemcardsVisitor& visit, unsigned long& walkError) {
  const FolderListing listing = listFolder(folder);
  if (listing.entries.empty() && listing.error != 0) return;  // a folder that cannot be opened is skipped
  if (listing.error != 0 && walkError == 0) walkError = listing.error;
  for (const FolderEntry& entry : listing.entries) {
    if (entry.isLink) continue;
    const std::string path = relative + "/" + toUtf8(entry.name);
    if (entry.isFolder && hasUtf8Name(entry.name)) {
      if (depth < kMemcardsDepth) walkMemcards(folder / entry.name, path, depth + 1, visit, walkError);
    } else {
      visit(path, entry);
    }
  }
}

void collectSaveData(const std::filesystem::path& gameFolder, SaveFiles& found) {
  if (!fileStatus(saveDataFolder(gameFolder)).isDirectory) return;
  const SaveDataFiles files = listSaveDataFiles(gameFolder);
  for (const std::string& name : files.names) found.paths.push_back(std::string(kSaveDataPrefix) + name);
  for (const std::string& name : files.skipped) found.skipped.push_back(std::string(kSaveDataPrefix) + name);
  if (files.error != 0 && found.error.empty()) found.error = "savedata: " + systemErrorText(files.error);
}

Result<BackupResult> failWithout(const std::filesystem::path& partial, Error error) {
  removeTree(partial);
  return error;
}

}  // namespace

SaveDataFiles listSaveDataFiles(const std::filesystem::path& gameFolder) {
  return saveDataFilesOf(listFolder(saveDataFolder(gameFolder)));
}

SaveDataFiles saveDataFilesOf(const FolderListing& listing) {
  SaveDataFiles files;
  for (const FolderEntry& entry : listing.entries) {
    const std::string name = toUtf8(entry.name);
    if (!entry.isRegularFile() || isTemporaryName(name) || !isSaveDataFileName(name)) continue;
    (hasUtf8Name(entry.name) ? files.names : files.skipped).push_back(name);
  }
  files.error = listing.error;
  return files;
}

bool hasUtf8Name(const std::wstring& name) { return toWide(toUtf8(name)) == name; }

unsigned long walkMemcards(const std::filesystem::path& gameFolder, const MemcardsVisitor& visit) {
  const std::filesystem::path memcards = gameFolder / L"memcards";
  unsigned long walkError = 0;
  if (fileStatus(memcards).isDirectory) walkMemcards(memcards, "memcards", 1, visit, walkError);
  return walkError;
}

SaveFiles collectSaveFiles(const std::filesystem::path& gameFolder) {
  SaveFiles found;
  const unsigned long walkError = walkMemcards(gameFolder, [&found](const std::string& path, const FolderEntry& entry) {
    if (!hasUtf8Name(entry.name)) {
      found.skipped.push_back(path);
    } else if (!isTemporaryName(path) && isManifestPath(path)) {
      found.paths.push_back(path);
    }
  });
  if (walkError != 0) found.error = "memcards: " + systemErrorText(walkError);
  collectSaveData(gameFolder, found);
  for (const StateFile& state : listStates(gameFolder)) {
    found.paths.push_back("states/" + state.name);
  }
  if (found.paths.size() > kMaxSetFiles) {
    found.error = "more than 4096 files in memcards\\, savedata\\ and states\\";
    found.paths.clear();
  }
  return found;
}

std::filesystem::path manifestPath(const std::filesystem::path& base, std::string_view relativePath) {
  std::filesystem::path path = base;
  for (std::size_t start = 0;;) {
    const std::size_t end = relativePath.find('/', start);
    path /= toWide(relativePath.substr(start, end - start));
    if (end == std::string_view::npos) return path;
    start = end + 1;
  }
}

Result<BackupResult> writeBackupSet(const std::filesystem::path& gameFolder, const std::filesystem::path& setFolder) {
  if (!isMissingPath(setFolder)) return Error{toUtf8(setFolder.native()) + " already exists"};
  const SaveFiles files = collectSaveFiles(gameFolder);
  if (files.paths.empty()) {
    return Error{files.error.empty() ? "there are no saves yet (memcards\\, savedata\\ and states\\ are empty)"
                                     : files.error};
  }
  const std::filesystem::path partial(setFolder.native() + L".partial");
  removeTree(partial);
  BackupResult result;
  std::string manifest;
  Sha256Files hashing;
  for (const std::string& path : files.paths) {
    const std::filesystem::path copy = manifestPath(partial, path);
    const Result<std::string> digest = hashing.verifiedCopy(manifestPath(gameFolder, path), copy);
    if (!digest) return failWithout(partial, digest.error());
    manifest += manifestLine(*digest, path);
    result.bytes += fileStatus(copy).size;
    ++result.files;
    reachPausePoint("backup:copied");
  }
  if (const Status written = writeFileAtomic(partial / toWide(kManifestName), manifest); !written) {
    return failWithout(partial, written.error());
  }
  reachPausePoint("backup:rename");
  if (const Status moved = moveFileDurable(partial, setFolder, false); !moved) {
    const unsigned long code = moved.error().systemCode;
    return failWithout(partial, Error{toUtf8(setFolder.native()) + ": " + systemErrorText(code), code});
  }
  result.createdMs = fileStatus(setFolder / toWide(kManifestName)).modifiedMs;
  result.name = toUtf8(setFolder.filename().native());
  result.skipped = files.skipped;
  if (!files.error.empty()) return Error{files.error};
  return result;
}

Result<BackupResult> makeBackup(const std::filesystem::path& gameFolder, std::string_view suffix,
                                const std::tm& localNow) {
  const std::string base = backupStamp(localNow) + std::string(suffix);
  std::filesystem::path candidate;
  for (int attempt = 1; attempt <= kLastBackupNameAttempt; ++attempt) {
    candidate = backupsFolder(gameFolder) / toWide(backupSetName(base, attempt));
    if (isMissingPath(candidate)) break;
  }
  return writeBackupSet(gameFolder, candidate);
}

Result<json::Value> backupNow(const std::filesystem::path& gameFolder) {
  const Result<BackupResult> set = makeBackup(gameFolder, "", localTimeNow());
  if (!set) return set.error();
  return backupJson(gameFolder, *set);
}

json::Value backupJson(const std::filesystem::path& gameFolder, const BackupResult& set) {
  json::Value result;
  result.set("name", set.name)
      .set("files", static_cast<double>(set.files))
      .set("bytes", static_cast<double>(set.bytes))
      .set("path", toUtf8((backupsFolder(gameFolder) / toWide(set.name)).native()));
  if (!set.skipped.empty()) {
    json::Value skipped = json::Value::array();
    for (const std::string& path : set.skipped) skipped.push(path);
    result.set("skipped", std::move(skipped));
  }
  return result;
}

Result<std::vector<ManifestEntry>> readManifest(const std::filesystem::path& setFolder) {
  const Result<std::string> text = readFileLimited(setFolder / toWide(kManifestName), kManifestLimitBytes);
  if (!text) return text.error();
  return parseManifest(*text);
}

std::vector<BackupSetInfo> listBackupSets(const std::filesystem::path& gameFolder) {
  const std::filesystem::path backups = backupsFolder(gameFolder);
  std::vector<std::string> names;
  for (const FolderEntry& entry : listFolder(backups).entries) {
    std::string name = toUtf8(entry.name);
    if (entry.isFolder && isBackupSetName(name)) names.push_back(std::move(name));
  }
  // Newest first, so that the sets beyond the limit are the oldest ones.
  std::sort(names.begin(), names.end(), std::greater<>());
  std::vector<BackupSetInfo> sets;
  for (const std::string& name : names) {
    if (sets.size() == kListedSets) break;
    const std::filesystem::path folder = backups / toWide(name);
    const FileStatus manifest = fileStatus(folder / toWide(kManifestName));
    if (!manifest.exists || manifest.isDirectory) continue;
    const Result<std::vector<ManifestEntry>> entries = readManifest(folder);
    if (!entries) continue;
    BackupSetInfo set{name, entries->size(), 0, manifest.modifiedMs};
    for (const ManifestEntry& entry : *entries) {
      set.bytes += fileStatus(manifestPath(folder, entry.path)).size;
    }
    sets.push_back(std::move(set));
  }
  return sets;
}

json::Value backupSetsJson(const std::vector<BackupSetInfo>& sets) {
  json::Value list = json::Value::array();
  for (const BackupSetInfo& set : sets) {
    json::Value entry;
    entry.set("name", set.name)
        .set("files", static_cast<double>(set.files))
        .set("bytes", static_cast<double>(set.bytes))
        .set("created", static_cast<double>(set.createdMs));
    list.push(std::move(entry));
  }
  return list;
}

std::string savesReport(const std::filesystem::path& gameFolder) {
  const SaveFiles files = collectSaveFiles(gameFolder);
  std::string text = "Save files: " + std::to_string(files.paths.size()) + "\r\n";
  for (const std::string& path : files.paths) {
    text += "  " + path + "  " + std::to_string(fileStatus(manifestPath(gameFolder, path)).size) + " bytes\r\n";
  }
  for (const std::string& path : files.skipped) text += "  " + path + "  (a name no backup can carry)\r\n";
  if (!files.error.empty()) text += "  " + files.error + "\r\n";
  const std::vector<BackupSetInfo> sets = listBackupSets(gameFolder);
  text += "Backup sets: " + std::to_string(sets.size()) + " (the newest " + std::to_string(kListedSets) +
          " at most)\r\n";
  for (const BackupSetInfo& set : sets) {
    text += "  " + set.name + "  " + std::to_string(set.files) + " files, " + std::to_string(set.bytes) + " bytes\r\n";
  }
  return text;
}

}  // namespace myr::saves
