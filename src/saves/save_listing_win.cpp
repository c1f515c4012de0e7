#include "saves/save_listing_win.h"

#include <algorithm>
#include <vector>

#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"
#include "saves/backup_sets_win.h"
#include "saves/card_format_win.h"
#include "saves/card_image_win.h"
#include "saves/save_data.h"
#include "saves/save_files_win.h"
#include "saves/save_folders.h"
#include "saves/save_names.h"

namespace myr::saves {
namespace {

json::Value number(std::uint64_t value) { return static_cast<double>(value); }
json::Value number(std::int64_t value) { return static_cast<double>(value); }

json::Value cardSavesJson(const std::vector<CardSave>& saves) {
  json::Value list = json::Value::array();
  for (const CardSave& save : saves) {
    json::Value entry;
    entry.set("folder", save.folder)
        .set("title", save.title)
        .set("subtitle", save.subtitle)
        .set("modified", save.modified)
        .set("bytes", number(save.bytes));
    list.push(std::move(entry));
  }
  return list;
}

json::Value folderCardsJson(const std::filesystem::path& gameFolder) {
  json::Value list = json::Value::array();
  for (const char* name : {"mc0", "mc1"}) {
    const std::filesystem::path folder = gameFolder / L"memcards" / name;
    if (!fileStatus(folder).isDirectory) continue;
    std::uint64_t files = 0;
    const std::uint64_t bytes = folderTreeSize(folder, &files);
    json::Value entry;
    entry.set("name", name).set("files", number(files)).set("bytes", number(bytes));
    list.push(std::move(entry));
  }
  return list;
}

// Members of one file's status, in the listing's order.
void setStatus(json::Value& object, const FileStatus& status) {
  object.set("bytes", number(status.size)).set("modified", number(status.modifiedMs));
}

std::optional<std::string> readSidecar(const std::filesystem::path& path, std::uint64_t limit) {
  Result<std::string> text = readFileLimited(path, limit);
  if (!text) return std::nullopt;
  return std::move(*text);
}

json::Value keptAsideJson(const std::filesystem::path& folder, const std::string& name) {
  json::Value entry;
  entry.set("file", name);
  setStatus(entry, fileStatus(folder / toWide(name)));
  entry.set("kind", name.starts_with("system-card-") ? "card" : "previous");
  if (const std::optional<std::string> sidecar =
          readSidecar(folder / toWide(keptAsideSidecarName(name)), kKeptAsideSidecarLimitBytes)) {
    addKeptAsideSidecarMembers(entry, *sidecar);
  }
  return entry;
}

json::Value saveFileJson(const std::filesystem::path& path) {
  const std::string name = toUtf8(path.filename().native());
  json::Value entry;
  entry.set("slot", saveSlotNumber(name)).set("file", name);
  setStatus(entry, fileStatus(path));
  const FileStatus thumbnail = fileStatus(std::filesystem::path(path).replace_extension(L".png"));
  entry.set("thumb", thumbnail.exists && thumbnail.size > 0);
  if (const std::optional<std::string> sidecar =
          readSidecar(path.parent_path() / toWide(saveSidecarName(name)), kSaveSidecarLimitBytes)) {
    addSaveSidecarMembers(entry, *sidecar);
  }
  return entry;
}

json::Value systemSaveJson(const std::filesystem::path& folder) {
  const FileStatus status = fileStatus(folder / toWide(kSystemSaveName));
  json::Value system;
  system.set("exists", status.exists);
  setStatus(system, status);
  return system;
}

}  // namespace

json::Value cardJson(const std::filesystem::path& path, int slot) {
  json::Value card;
  card.set("slot", slot).set("file", toUtf8(path.filename().native()));
  const FileStatus status = fileStatus(path);
  card.set("exists", status.exists);
  if (!status.exists) return card;
  const CardSummary summary = readCardSummary(path);
  setStatus(card, status);
  card.set("formatted", summary.formatted)
      .set("blank", summary.blank)
      .set("error", summary.error)
      .set("free", number(summary.freeBytes))
      .set("capacity", number(summary.capacityBytes))
      .set("saves", cardSavesJson(summary.saves));
  return card;
}

json::Value listSaveData(const std::filesystem::path& gameFolder) {
  const std::filesystem::path folder = saveDataFolder(gameFolder);
  const FolderListing listing = listFolder(folder);
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
  std::vector<std::filesystem::path> saves;
  std::vector<std::string> keptAside;
  for (const FolderEntry& entry : listing.entries) {
    const std::string name = toUtf8(entry.name);
    if (entry.isRegularFile()) {
      ++files;
      bytes += entry.size;
      if (isListedSaveName(name)) saves.push_back(folder / entry.name);
    }
    if (isKeptAsideName(name)) keptAside.push_back(name);
  }
  std::sort(keptAside.begin(), keptAside.end());
  std::sort(saves.begin(), saves.end());

  json::Value parked = json::Value::array();
  for (const std::string& name : keptAside) parked.push(keptAsideJson(folder, name));
  json::Value saveList = json::Value::array();
  for (const std::filesystem::path& path : saves) saveList.push(saveFileJson(path));

  json::Value saveData;
  saveData.set("exists", fileStatus(folder).isDirectory)
      .set("folder", "savedata\\QXUS-40404")
      .set("system", systemSaveJson(folder))
      .set("parked", std::move(parked))
      .set("saves", std::move(saveList))
      .set("files", number(files))
      .set("bytes", number(bytes));
  return saveData;
}

json::Value listSaves(const std::filesystem::path& gameFolder, std::string_view format, std::string_view locked) {
  json::Value cards = json::Value::array();
  cards.push(cardJson(cardPath(gameFolder, 1), 1));
  cards.push(cardJson(cardPath(gameFolder, 2), 2));
  json::Value listing;
  listing.set("cards", std::move(cards))
      .set("folders", folderCardsJson(gameFolder))
      .set("states", statesJson(listStates(gameFolder)))
      .set("backups", backupSetsJson(listBackupSets(gameFolder)))
      .set("format", std::string(format))
      .set("savedata", listSaveData(gameFolder))
      .set("locked", std::string(locked));
  return listing;
}

}  // namespace myr::saves
