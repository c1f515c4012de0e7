#include "saves/after_play_win.h"

#include <set>
#include <utility>
#include <vector>

#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"
#include "saves/backup_names.h"
#include "saves/backup_sets_win.h"
#include "saves/restore_win.h"
#include "saves/save_files_win.h"
#include "saves/sha256_win.h"

namespace myr::saves {
namespace {

bool holdsManifest(const std::filesystem::path& setFolder) {
  const FileStatus manifest = fileStatus(setFolder / toWide(kManifestName));
  return manifest.exists && !manifest.isDirectory;
}

// Every complete after-play set in backups\, newest first: the newest is found however many
// other sets there are.
std::vector<std::string> afterPlaySets(const std::filesystem::path& backups) {
  std::vector<std::string> names;
  for (const FolderEntry& entry : listFolder(backups).entries) {
    if (entry.isFolder && !entry.isLink && hasUtf8Name(entry.name)) names.push_back(toUtf8(entry.name));
  }
  names = afterPlaySetsNewestFirst(std::move(names));
  std::erase_if(names, [&backups](const std::string& name) { return !holdsManifest(backups / toWide(name)); });
  return names;
}

// The same files as the set, each with the digest the set's manifest gives it.
bool savesMatchSet(const std::filesystem::path& gameFolder, const SaveFiles& saves,
                   const std::filesystem::path& setFolder) {
  const Result<std::vector<ManifestEntry>> entries = readManifest(setFolder);
  if (!entries || entries->size() != saves.paths.size()) return false;
  const std::set<std::string> current(saves.paths.begin(), saves.paths.end());
  for (const ManifestEntry& entry : *entries) {
    // A size that differs tells most changes without reading a whole card.
    if (!current.contains(entry.path) ||
        fileStatus(manifestPath(gameFolder, entry.path)).size != fileStatus(manifestPath(setFolder, entry.path)).size) {
      return false;
    }
  }
  for (const ManifestEntry& entry : *entries) {
    const Result<std::string> digest = sha256File(manifestPath(gameFolder, entry.path));
    if (!digest || *digest != entry.sha256) return false;
  }
  return true;
}

// Renamed first, so that a deletion cut off half way never leaves part of a set under the name
// of a complete one: what remains is a .partial folder, never listed nor restored.
Status deleteSet(const std::filesystem::path& setFolder) {
  const std::filesystem::path doomed(setFolder.native() + L".partial");
  removeTree(doomed);
  if (Status moved = moveFileDurable(setFolder, doomed, false); !moved) return moved;
  removeTree(doomed);
  return {};
}

// Why older sets are still there, or empty.
std::string deleteOldAfterPlaySets(const std::filesystem::path& backups) {
  const std::vector<std::string> sets = afterPlaySets(backups);
  std::string failures;
  for (std::size_t i = kKeptAfterPlaySets; i < sets.size(); ++i) {
    if (const Status deleted = deleteSet(backups / toWide(sets[i])); !deleted) {
      failures += (failures.empty() ? "" : "; ") + deleted.error().message;
    }
  }
  return failures.empty() ? failures : "An older backup after playing could not be deleted: " + failures;
}

json::Value stateJson(std::string_view state) { return json::Value::object().set("state", std::string(state)); }

}  // namespace

Result<json::Value> backupAfterPlayNow(const std::filesystem::path& gameFolder) {
  if (const Status allowed = refuseWhileRestorePending(gameFolder); !allowed) {
    return afterPlaySkipped(allowed.error().message);
  }
  const std::filesystem::path backups = gameFolder / L"backups";
  const SaveFiles saves = collectSaveFiles(gameFolder);
  if (saves.paths.empty() && saves.error.empty()) return afterPlaySkipped("There are no saves yet.");
  const std::vector<std::string> sets = afterPlaySets(backups);
  if (!sets.empty() && saves.error.empty() && savesMatchSet(gameFolder, saves, backups / toWide(sets.front()))) {
    return stateJson("unchanged").set("name", sets.front());
  }
  const Result<BackupResult> made = makeBackup(gameFolder, kAfterPlaySuffix, localTimeNow());
  if (!made) return made.error();
  json::Value result = stateJson("made");
  const json::Value set = backupJson(gameFolder, *made);
  for (const auto& [name, value] : set.members()) result.set(name, value);
  if (std::string warning = deleteOldAfterPlaySets(backups); !warning.empty())
    result.set("warning", std::move(warning));
  return result;
}

json::Value afterPlayRunning() { return stateJson("running"); }

json::Value afterPlaySkipped(std::string reason) { return stateJson("skipped").set("reason", std::move(reason)); }

json::Value afterPlayOutcome(const Result<json::Value>& outcome) {
  if (outcome) return *outcome;
  return stateJson("failed").set("error", outcome.error().message);
}

}  // namespace myr::saves
