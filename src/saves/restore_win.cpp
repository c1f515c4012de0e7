#include "saves/restore_win.h"

#include <set>
#include <vector>

#include "foundation/files/ascii_text.h"
#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"
#include "saves/backup_sets_win.h"
#include "saves/save_files_win.h"
#include "saves/save_folders.h"
#include "saves/save_names.h"
#include "saves/sha256_win.h"

namespace myr::saves {
namespace {

constexpr std::size_t kQuotedNameBytes = 48;
constexpr std::string_view kSaveDataPrefix = "savedata/QXUS-40404/";

// Written once every file of a restore is staged and removed when the restore ends: while it
// exists, its manifest lines name the staged files still to be moved into place.
std::filesystem::path journalPath(const std::filesystem::path& gameFolder) {
  return gameFolder / L"backups" / L"restore.journal";
}

std::filesystem::path stagedPath(const std::filesystem::path& gameFolder, std::string_view path) {
  return std::filesystem::path(manifestPath(gameFolder, path).native() + L".import-tmp");
}

void deleteAll(const std::vector<std::filesystem::path>& files, std::size_t from) {
  for (std::size_t i = from; i < files.size(); ++i) static_cast<void>(deleteFile(files[i]));
}

std::string previousSavesNote(const std::string& safetyBackup) {
  return safetyBackup.empty() ? std::string() : "; the previous saves are in backups\\" + safetyBackup;
}

Status verifySet(const std::filesystem::path& setFolder, const std::vector<ManifestEntry>& entries) {
  for (const ManifestEntry& entry : entries) {
    const Result<std::string> digest = sha256File(manifestPath(setFolder, entry.path));
    if (!digest) return digest.error();
    if (*digest != entry.sha256) {
      return Error{entry.path + " does not match manifest.sha256: the set is damaged, nothing was changed"};
    }
  }
  return {};
}

// The name of the set made from the current saves; empty when there are none. Saves that could
// not be collected (too many files, an unreadable folder) are never replaced without a backup.
Result<std::string> backUpCurrentSaves(const std::filesystem::path& gameFolder, const std::tm& localNow) {
  constexpr std::string_view kFailed = "the backup of the current saves failed, nothing was changed: ";
  const SaveFiles current = collectSaveFiles(gameFolder);
  if (current.paths.empty()) {
    if (current.error.empty()) return std::string();
    return Error{std::string(kFailed) + current.error};
  }
  const Result<BackupResult> safety = makeBackup(gameFolder, kBeforeRestoreSuffix, localNow);
  if (!safety) return safety.error().prefixed(kFailed);
  return safety->name;
}

Error nothingChanged(const Error& error) { return Error{error.message + "; nothing was changed", error.systemCode}; }

// Every file of the set copied and verified beside its target, and the journal written; on
// failure none of them remains.
Result<std::vector<std::filesystem::path>> stage(const std::filesystem::path& gameFolder,
                                                 const std::filesystem::path& setFolder,
                                                 const std::vector<ManifestEntry>& entries) {
  std::vector<std::filesystem::path> staged;
  std::string journal;
  for (const ManifestEntry& entry : entries) {
    staged.push_back(stagedPath(gameFolder, entry.path));
    const Result<std::string> digest = verifiedCopy(manifestPath(setFolder, entry.path), staged.back());
    if (!digest || *digest != entry.sha256) {
      deleteAll(staged, 0);
      return nothingChanged(digest ? Error{entry.path + " changed while it was copied"} : digest.error());
    }
    journal += manifestLine(entry.sha256, entry.path);
  }
  if (const Status written = writeFileAtomic(journalPath(gameFolder), journal); !written) {
    deleteAll(staged, 0);
    return nothingChanged(written.error());
  }
  return staged;
}

Status replace(const std::filesystem::path& gameFolder, const std::vector<ManifestEntry>& entries,
               const std::vector<std::filesystem::path>& staged, const std::string& safetyBackup) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (const Status moved = moveFileDurable(staged[i], manifestPath(gameFolder, entries[i].path), true); !moved) {
      const unsigned long code = moved.error().systemCode;
      deleteAll(staged, i);
      return Error{entries[i].path + ": " + systemErrorText(code) + ". " + std::to_string(i) + " of " +
                       std::to_string(entries.size()) + " files were replaced" + previousSavesNote(safetyBackup),
                   code};
    }
  }
  return {};
}

// The port's save data folder keeps only the set's save data files (other kinds stay).
Status sweepSaveData(const std::filesystem::path& gameFolder, const std::vector<ManifestEntry>& entries,
                     const std::string& safetyBackup) {
  std::set<std::string> kept;
  bool setHasSaveData = false;
  for (const ManifestEntry& entry : entries) {
    // Windows matches names regardless of case: a restored file must never be taken for a stranger.
    kept.insert(lowerAscii(entry.path));
    setHasSaveData = setHasSaveData || entry.path.starts_with(kSaveDataPrefix);
  }
  if (!setHasSaveData) return {};
  const std::filesystem::path folder = saveDataFolder(gameFolder);
  for (const FolderEntry& file : listFolder(folder).entries) {
    const std::string name = toUtf8(file.name);
    if (!file.isRegularFile() || isTemporaryName(name) || !isSaveDataFileName(name) ||
        kept.contains(lowerAscii(std::string(kSaveDataPrefix) + name))) {
      continue;
    }
    if (const Status deleted = deleteFile(folder / file.name); !deleted) {
      const unsigned long code = deleted.error().systemCode;
      return Error{
          name + ": " + systemErrorText(code) + ". The files of the set are in place" + previousSavesNote(safetyBackup),
          code};
    }
  }
  return {};
}

// Moves the staged files that are still there into place after checking them again.
Status finishMoves(const std::filesystem::path& gameFolder, const std::vector<ManifestEntry>& entries) {
  for (const ManifestEntry& entry : entries) {
    const std::filesystem::path staged = stagedPath(gameFolder, entry.path);
    if (isMissingPath(staged)) continue;
    const Result<std::string> digest = sha256File(staged);
    if (!digest) return digest.error();
    if (*digest != entry.sha256) return Error{entry.path + " changed while it waited to be put in place"};
    if (const Status moved = moveFileDurable(staged, manifestPath(gameFolder, entry.path), true); !moved) {
      const unsigned long code = moved.error().systemCode;
      return Error{entry.path + ": " + systemErrorText(code), code};
    }
  }
  return {};
}

}  // namespace

Status finishInterruptedRestore(const std::filesystem::path& gameFolder) {
  constexpr std::string_view kUnfinished = "An interrupted restore could not be finished: ";
  const std::filesystem::path journal = journalPath(gameFolder);
  if (isMissingPath(journal)) return {};
  const Result<std::string> text = readFileLimited(journal, kManifestLimitBytes);
  if (!text) return text.error().prefixed(kUnfinished);
  const Result<std::vector<ManifestEntry>> entries = parseManifest(*text);
  if (!entries) return entries.error().prefixed(kUnfinished);
  if (const Status moved = finishMoves(gameFolder, *entries); !moved) return moved.error().prefixed(kUnfinished);
  if (const Status swept = sweepSaveData(gameFolder, *entries, ""); !swept) return swept.error().prefixed(kUnfinished);
  if (const Status deleted = deleteFile(journal); !deleted) return deleted.error().prefixed(kUnfinished);
  return {};
}

Result<std::filesystem::path> findBackupSet(const std::filesystem::path& gameFolder, std::string_view name) {
  const Error missing{"There is no backup " + std::string(name.substr(0, kQuotedNameBytes)) + "."};
  if (!isBackupSetName(name)) return missing;
  const std::optional<std::filesystem::path> folder = safeChildPath(gameFolder / L"backups", name);
  if (!folder) return missing;
  const FileStatus manifest = fileStatus(*folder / toWide(kManifestName));
  if (!manifest.exists || manifest.isDirectory) return missing;
  return *folder;
}

Result<RestoreResult> restoreSet(const std::filesystem::path& gameFolder, const std::filesystem::path& setFolder,
                                 const std::tm& localNow) {
  const Result<std::vector<ManifestEntry>> entries = readManifest(setFolder);
  if (!entries) return entries.error();
  if (const Status verified = verifySet(setFolder, *entries); !verified) return verified.error();
  const Result<std::string> safetyBackup = backUpCurrentSaves(gameFolder, localNow);
  if (!safetyBackup) return safetyBackup.error();
  const Result<std::vector<std::filesystem::path>> staged = stage(gameFolder, setFolder, *entries);
  if (!staged) return staged.error();
  // From here a reported failure is final; only an interrupted launcher leaves the journal.
  Status done = replace(gameFolder, *entries, *staged, *safetyBackup);
  if (done) done = sweepSaveData(gameFolder, *entries, *safetyBackup);
  static_cast<void>(deleteFile(journalPath(gameFolder)));
  if (!done) return done.error();
  return RestoreResult{entries->size(), *safetyBackup};
}

Result<json::Value> restoreNow(const std::filesystem::path& gameFolder, const std::filesystem::path& setFolder) {
  if (const Status finished = finishInterruptedRestore(gameFolder); !finished) return finished.error();
  const Result<RestoreResult> restored = restoreSet(gameFolder, setFolder, localTimeNow());
  if (!restored) return restored.error();
  json::Value result;
  result.set("kind", "set")
      .set("files", static_cast<double>(restored->files))
      .set("safetyBackup", restored->safetyBackup);
  return result;
}

}  // namespace myr::saves
