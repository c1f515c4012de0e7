#include "saves/restore_win.h"

#include <map>
#include <set>
#include <vector>

#include "foundation/files/ascii_text.h"
#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"
#include "foundation/pause_points.h"
#include "saves/backup_sets_win.h"
#include "saves/restore_record.h"
#include "saves/save_files_win.h"
#include "saves/save_folders.h"
#include "saves/save_names.h"
#include "saves/sha256_win.h"

namespace myr::saves {
namespace {

constexpr std::size_t kQuotedNameBytes = 48;

std::filesystem::path recordPath(const std::filesystem::path& gameFolder) {
  return gameFolder / L"backups" / toWide(kRestoreRecordName);
}

std::filesystem::path stagedPath(const std::filesystem::path& gameFolder, std::string_view path) {
  return std::filesystem::path(manifestPath(gameFolder, path).native() + L".import-tmp");
}

void deleteStaged(const std::filesystem::path& gameFolder, const std::vector<ManifestEntry>& entries) {
  for (const ManifestEntry& entry : entries) static_cast<void>(deleteFile(stagedPath(gameFolder, entry.path)));
}

std::string previousSavesNote(const std::string& safetyBackup) {
  return safetyBackup.empty() ? std::string() : "; the previous saves are in backups\\" + safetyBackup;
}

std::string lastPart(std::string_view path) { return std::string(path.substr(path.rfind('/') + 1)); }

Error nothingChanged(const Error& error) { return Error{error.message + "; nothing was changed", error.systemCode}; }

Status verifySet(const std::filesystem::path& setFolder, const std::vector<ManifestEntry>& entries) {
  Sha256Files hashing;
  for (const ManifestEntry& entry : entries) {
    const Result<std::string> digest = hashing.hash(manifestPath(setFolder, entry.path));
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

// Every file of the set copied and verified beside its target; on failure none of them remains.
Status stage(const std::filesystem::path& gameFolder, const std::filesystem::path& setFolder,
             const std::vector<ManifestEntry>& entries) {
  Sha256Files hashing;
  for (const ManifestEntry& entry : entries) {
    const Result<std::string> digest =
        hashing.verifiedCopy(manifestPath(setFolder, entry.path), stagedPath(gameFolder, entry.path));
    if (!digest || *digest != entry.sha256) {
      deleteStaged(gameFolder, entries);
      return nothingChanged(digest ? Error{entry.path + " changed while it was copied"} : digest.error());
    }
  }
  return {};
}

// What the file is now; nothing when it does not exist.
Result<std::optional<RecordedFile>> currentFile(const std::filesystem::path& file) {
  if (isMissingPath(file)) return std::optional<RecordedFile>();
  RecordedFile recorded;
  Result<std::string> digest = sha256File(file, &recorded.size);
  if (!digest) return digest.error();
  recorded.sha256 = std::move(digest).value();
  recorded.modifiedMs = fileStatus(file).modifiedMs;
  return std::optional<RecordedFile>(std::move(recorded));
}

// Empty when the file is what the record says it was (absent when it recorded nothing);
// otherwise why not, in words.
std::string differenceFromRecord(const std::filesystem::path& file, const RecordTarget& target) {
  const std::string changed = target.path + " has changed since the restore began";
  if (!target.before) return isMissingPath(file) ? std::string() : changed;
  // Size and time first: a changed file is told without reading it.
  const FileStatus status = fileStatus(file);
  if (!status.exists || status.isDirectory || status.size != target.before->size ||
      status.modifiedMs != target.before->modifiedMs) {
    return changed;
  }
  const Result<std::string> digest = sha256File(file);
  if (!digest) return digest.error().message;
  return *digest == target.before->sha256 ? std::string() : changed;
}

// What the saves hold now, with the digests of the safety set that holds each of them: a file
// the restore replaces or removes must be in that set, as it is now.
class RecordWriter {
 public:
  RecordWriter(const std::filesystem::path& gameFolder, const std::string& safetyBackup)
      : gameFolder_(gameFolder) {
    if (safetyBackup.empty()) return;
    const Result<std::vector<ManifestEntry>> held = readManifest(gameFolder / L"backups" / toWide(safetyBackup));
    if (!held) return;
    for (const ManifestEntry& entry : *held) heldDigests_[lowerAscii(entry.path)] = entry.sha256;
  }

  Result<std::optional<RecordedFile>> heldFile(std::string_view path) const {
    Result<std::optional<RecordedFile>> now = currentFile(manifestPath(gameFolder_, path));
    if (!now || !*now) return now;
    const auto held = heldDigests_.find(lowerAscii(path));
    if (held == heldDigests_.end() || held->second != (*now)->sha256) {
      return Error{std::string(path) + " is not held by the backup of the current saves as it is now"};
    }
    return now;
  }

 private:
  const std::filesystem::path& gameFolder_;
  std::map<std::string, std::string> heldDigests_;
};

// The save data files the set lacks: the restore removes them, as they are now.
Status recordRemovals(const std::filesystem::path& gameFolder, const std::vector<ManifestEntry>& entries,
                      const RecordWriter& writer, RestoreRecord& record) {
  std::set<std::string> kept;
  bool setHasSaveData = false;
  for (const ManifestEntry& entry : entries) {
    // Windows matches names regardless of case: a restored file must never be taken for a stranger.
    kept.insert(lowerAscii(entry.path));
    setHasSaveData = setHasSaveData || entry.path.starts_with(kSaveDataPrefix);
  }
  if (!setHasSaveData) return {};
  for (const std::string& name : listSaveDataFiles(gameFolder).names) {
    const std::string path = std::string(kSaveDataPrefix) + name;
    if (kept.contains(lowerAscii(path))) continue;
    const Result<std::optional<RecordedFile>> now = writer.heldFile(path);
    if (!now) return now.error();
    if (*now) record.targets.push_back(RecordTarget{RecordTarget::Kind::Delete, path, "", *now});
  }
  return {};
}

Result<RestoreRecord> recordRestore(const std::filesystem::path& gameFolder, const std::filesystem::path& setFolder,
                                    const std::string& safetyBackup, const std::vector<ManifestEntry>& entries) {
  RestoreRecord record{toUtf8(setFolder.filename().native()), safetyBackup, {}};
  const RecordWriter writer(gameFolder, safetyBackup);
  for (const ManifestEntry& entry : entries) {
    Result<std::optional<RecordedFile>> now = writer.heldFile(entry.path);
    if (!now) return now.error();
    const RecordTarget::Kind kind = *now ? RecordTarget::Kind::Replace : RecordTarget::Kind::Create;
    record.targets.push_back(RecordTarget{kind, entry.path, entry.sha256, std::move(now).value()});
  }
  if (const Status removals = recordRemovals(gameFolder, entries, writer, record); !removals) return removals.error();
  return record;
}

// What finishing a record still has to do, or why it must not.
struct FinishPlan {
  std::vector<const RecordTarget*> moves;
  std::vector<const RecordTarget*> removals;
  std::string problem;

  bool nothingLeft() const { return problem.empty() && moves.empty() && removals.empty(); }
};

// A target whose staged copy is gone counts as put in place only when it holds the set's bytes.
void planPlacement(const std::filesystem::path& gameFolder, const RecordTarget& target, FinishPlan& plan) {
  const std::filesystem::path file = manifestPath(gameFolder, target.path);
  const std::filesystem::path staged = stagedPath(gameFolder, target.path);
  if (isMissingPath(staged)) {
    const Result<std::string> digest = isMissingPath(file) ? Result<std::string>(std::string()) : sha256File(file);
    if (!digest || *digest != target.setSha256) {
      plan.problem = "the copy of " + target.path + " that the restore had prepared is missing";
    }
    return;
  }
  if (std::string difference = differenceFromRecord(file, target); !difference.empty()) {
    plan.problem = std::move(difference);
    return;
  }
  const Result<std::string> digest = sha256File(staged);
  if (!digest || *digest != target.setSha256) {
    plan.problem = "the copy of " + target.path + " that the restore had prepared is damaged";
    return;
  }
  plan.moves.push_back(&target);
}

void planRemoval(const std::filesystem::path& gameFolder, const RecordTarget& target, FinishPlan& plan) {
  const std::filesystem::path file = manifestPath(gameFolder, target.path);
  if (isMissingPath(file)) return;
  if (std::string difference = differenceFromRecord(file, target); !difference.empty()) {
    plan.problem = std::move(difference);
    return;
  }
  plan.removals.push_back(&target);
}

FinishPlan planFinish(const std::filesystem::path& gameFolder, const RestoreRecord& record) {
  FinishPlan plan;
  for (const RecordTarget& target : record.targets) {
    if (target.kind == RecordTarget::Kind::Delete) {
      planRemoval(gameFolder, target, plan);
    } else {
      planPlacement(gameFolder, target, plan);
    }
    if (!plan.problem.empty()) break;
  }
  return plan;
}

// Moves each staged copy into place, checked once more right before it replaces anything, then
// removes the save data files the set lacks, then the record.
Status carryOut(const std::filesystem::path& gameFolder, const std::filesystem::path& record, const FinishPlan& plan,
                const std::string& safetyBackup) {
  const std::string note = previousSavesNote(safetyBackup);
  const auto howFar = [&](std::size_t moved) {
    return ". " + std::to_string(moved) + " of " + std::to_string(plan.moves.size()) + " files were replaced" + note;
  };
  for (std::size_t i = 0; i < plan.moves.size(); ++i) {
    const RecordTarget& target = *plan.moves[i];
    const std::filesystem::path staged = stagedPath(gameFolder, target.path);
    const Result<std::string> digest = sha256File(staged);
    if (!digest) return Error{digest.error().message + howFar(i), digest.error().systemCode};
    if (*digest != target.setSha256) return Error{target.path + " changed while it waited to be put in place" + howFar(i)};
    if (const Status moved = replaceFileOnceReleased(staged, manifestPath(gameFolder, target.path)); !moved) {
      const unsigned long code = moved.error().systemCode;
      return Error{target.path + ": " + systemErrorText(code) + howFar(i), code};
    }
    reachPausePoint("restore:moved");
  }
  for (const RecordTarget* target : plan.removals) {
    if (const Status deleted = deleteFileOnceReleased(manifestPath(gameFolder, target->path)); !deleted) {
      const unsigned long code = deleted.error().systemCode;
      return Error{lastPart(target->path) + ": " + systemErrorText(code) + ". The files of the set are in place" + note,
                   code};
    }
    reachPausePoint("restore:deleted");
  }
  if (const Status removed = deleteFileOnceReleased(record); !removed) {
    return removed.error().prefixed("the saves are those of the set; the restore's record could not be removed: ");
  }
  return {};
}

Result<RestoreRecord> readRecord(const std::filesystem::path& gameFolder) {
  const Result<std::string> text = readFileLimited(recordPath(gameFolder), kRestoreRecordLimitBytes);
  if (!text) return text.error();
  return parseRestoreRecord(*text);
}

PendingRestore unusableRecord(const Error& error) {
  return PendingRestore{"", "", "The record of the interrupted restore cannot be used: " + error.message + "."};
}

json::Value restoredJson(const RestoreResult& restored) {
  json::Value result;
  result.set("kind", "set")
      .set("files", static_cast<double>(restored.files))
      .set("safetyBackup", restored.safetyBackup);
  return result;
}

// The record's staged copies that a later restore did not use; they are only ever temporary files.
void deleteStagedOf(const std::filesystem::path& gameFolder, const RestoreRecord& record) {
  for (const RecordTarget& target : record.targets) {
    const std::filesystem::path staged = stagedPath(gameFolder, target.path);
    if (target.kind != RecordTarget::Kind::Delete && !isMissingPath(staged)) static_cast<void>(deleteFile(staged));
  }
}

// Undo without a safety set: there were no saves before the restore, so the saves stay as they
// are and only the record goes.
Result<json::Value> dropRecord(const std::filesystem::path& gameFolder, const RestoreRecord& record) {
  deleteStagedOf(gameFolder, record);
  if (const Status removed = deleteFile(recordPath(gameFolder)); !removed) {
    return removed.error().prefixed("The restore's record could not be removed: ");
  }
  return restoredJson(RestoreResult{});
}

}  // namespace

std::string finishInterruptedRestore(const std::filesystem::path& gameFolder) {
  const std::filesystem::path path = recordPath(gameFolder);
  if (isMissingPath(path)) return {};
  const Result<RestoreRecord> record = readRecord(gameFolder);
  if (!record) return "An interrupted restore waits for the player: " + unusableRecord(record.error()).reason;
  const FinishPlan plan = planFinish(gameFolder, *record);
  if (!plan.problem.empty()) return "An interrupted restore of " + record->set + " waits for the player: " + plan.problem;
  if (plan.nothingLeft()) {
    const Status removed = deleteFile(path);
    return removed ? "The record of a restore of " + record->set + " that had ended was removed."
                   : "The record of a restore of " + record->set + " that had ended could not be removed: " +
                         removed.error().message;
  }
  if (const Status done = carryOut(gameFolder, path, plan, record->safetyBackup); !done) {
    return "An interrupted restore of " + record->set + " could not be finished: " + done.error().message;
  }
  return "An interrupted restore of " + record->set + " was finished: " + std::to_string(plan.moves.size()) +
         " files put in place, " + std::to_string(plan.removals.size()) + " removed.";
}

std::optional<PendingRestore> pendingRestore(const std::filesystem::path& gameFolder) {
  if (isMissingPath(recordPath(gameFolder))) return std::nullopt;
  const Result<RestoreRecord> record = readRecord(gameFolder);
  if (!record) return unusableRecord(record.error());
  const FinishPlan plan = planFinish(gameFolder, *record);
  if (plan.nothingLeft()) return std::nullopt;
  std::string reason = plan.problem.empty() ? "The restore stopped before all of its files were in place."
                                            : plan.problem + ".";
  return PendingRestore{record->set, record->safetyBackup, std::move(reason)};
}

json::Value pendingRestoreJson(const std::optional<PendingRestore>& pending) {
  if (!pending) return json::Value();
  json::Value object;
  object.set("set", pending->set).set("safetyBackup", pending->safetyBackup).set("reason", pending->reason);
  return object;
}

Status refuseWhileRestorePending(const std::filesystem::path& gameFolder) {
  const std::filesystem::path path = recordPath(gameFolder);
  if (isMissingPath(path)) return {};
  if (pendingRestore(gameFolder)) return Error{std::string(kRestorePendingRefusal)};
  static_cast<void>(deleteFile(path));
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
  if (const Status staged = stage(gameFolder, setFolder, *entries); !staged) return staged.error();
  const Result<RestoreRecord> record = recordRestore(gameFolder, setFolder, *safetyBackup, *entries);
  const Status recorded =
      record ? writeFileAtomic(recordPath(gameFolder), formatRestoreRecord(*record)) : Status(record.error());
  if (!recorded) {
    deleteStaged(gameFolder, *entries);
    return nothingChanged(recorded.error());
  }
  // From here the record stays until every file is in place: a failure leaves the restore
  // pending for the player, and an interrupted launcher finishes it at its next start.
  FinishPlan plan;
  for (const RecordTarget& target : record->targets) {
    (target.kind == RecordTarget::Kind::Delete ? plan.removals : plan.moves).push_back(&target);
  }
  if (const Status done = carryOut(gameFolder, recordPath(gameFolder), plan, *safetyBackup); !done) {
    return done.error();
  }
  return RestoreResult{entries->size(), *safetyBackup};
}

Result<json::Value> restoreNow(const std::filesystem::path& gameFolder, const std::filesystem::path& setFolder) {
  if (const Status allowed = refuseWhileRestorePending(gameFolder); !allowed) return allowed.error();
  const Result<RestoreResult> restored = restoreSet(gameFolder, setFolder, localTimeNow());
  if (!restored) return restored.error();
  return restoredJson(*restored);
}

bool isSettleAction(std::string_view action) { return action == "finish" || action == "undo"; }

Result<json::Value> settleRestoreNow(const std::filesystem::path& gameFolder, std::string_view action) {
  if (!isSettleAction(action)) return Error{"The action must be \"finish\" or \"undo\"."};
  if (isMissingPath(recordPath(gameFolder))) return Error{"There is no interrupted restore."};
  const Result<RestoreRecord> read = readRecord(gameFolder);
  const RestoreRecord record = read ? *read : RestoreRecord{};
  const bool finish = action == "finish";
  const std::string& setName = finish ? record.set : record.safetyBackup;
  if (setName.empty()) {
    if (finish) return Error{"The record of the interrupted restore does not name its set: undo it, then restore a set."};
    return dropRecord(gameFolder, record);
  }
  const Result<std::filesystem::path> set = findBackupSet(gameFolder, setName);
  if (!set) return set.error();
  // The restore writes its own record over this one once it has staged its files; until then a
  // failure leaves this one, and the restore pending, as they were.
  const Result<RestoreResult> restored = restoreSet(gameFolder, *set, localTimeNow());
  if (!restored) return restored.error();
  deleteStagedOf(gameFolder, record);
  return restoredJson(*restored);
}

}  // namespace myr::saves
