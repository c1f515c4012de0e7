// Verified copies, backup sets with their manifest, and restore, on real files.

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

#include "card_test_support.h"
#include "foundation/files/win_text.h"
#include "save_files_fixture.h"
#include "saves/backup_sets_win.h"
#include "foundation/files/file_helpers.h"
#include "foundation/files/win_handle.h"
#include "foundation/pause_points.h"
#include "saves/restore_record.h"
#include "saves/restore_win.h"
#include "saves/sha256_win.h"
#include "support/launcher_process.h"
#include "support/temp_folder.h"

namespace myr::saves {
namespace {

using test::readFile;
using test::saveContents;
using test::writeFile;
using Files = std::map<std::string, std::string>;

const std::string kEmptyDigest = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

std::tm stampTime(int second) { return test::brokenDownTime(2024, 1, 31, 10, 0, second); }

// Save files of every kind, and files that are not saves or lie too deep.
void putSaves(const std::filesystem::path& game, const std::string& version) {
  const std::filesystem::path saveData = game / L"savedata" / L"QXUS-40404";
  writeFile(game / L"memcards" / L"Mcd001.ps2", "card one " + version);
  writeFile(game / L"memcards" / L"mc0" / L"BISLPM-65001" / L"icon.sys", "icon " + version);
  writeFile(game / L"memcards" / L"Mcd001.ps2.tmp", "temporary");
  writeFile(game / L"memcards" / L"mc0" / L"a" / L"b" / L"too deep", "deep");
  writeFile(saveData / L"save-001.myrsave", "save one " + version);
  writeFile(saveData / L"save-001.json", "{\"place\":\"" + version + "\"}");
  writeFile(saveData / L"notes.txt", "notes");
  writeFile(saveData / L"save-002.myrsave.import-tmp", "staged");
  writeFile(game / L"states" / L"quick.state", "state " + version);
}

// In byte order; the collection keeps the order of the folder listings.
const std::vector<std::string> kCollected{"memcards/Mcd001.ps2", "memcards/mc0/BISLPM-65001/icon.sys",
                                          "savedata/QXUS-40404/save-001.json", "savedata/QXUS-40404/save-001.myrsave",
                                          "states/quick.state"};

std::string restoreError(const std::filesystem::path& game, const std::filesystem::path& set) {
  const Result<RestoreResult> restored = restoreSet(game, set, stampTime(30));
  return restored ? "restored" : restored.error().message;
}

// The saves without the temporary files an operation may leave behind.
Files withoutStaged(Files files) {
  std::erase_if(files, [](const auto& file) { return file.first.ends_with(".import-tmp"); });
  return files;
}
Files savesWithoutStaged(const std::filesystem::path& game) { return withoutStaged(saveContents(game)); }

std::vector<std::string> listedNames(const std::filesystem::path& game) {
  std::vector<std::string> names;
  for (const BackupSetInfo& set : listBackupSets(game)) names.push_back(set.name);
  return names;
}

TEST(Sha256, DigestsOfFilesAndVerifiedCopies) {
  const myr::testing::TempFolder folder;
  writeFile(folder / L"empty", "");
  writeFile(folder / L"million", std::string(1000000, 'a'));
  writeFile(folder / L"large", std::string(2500000, 'x') + "end");
  std::uint64_t size = 1;
  EXPECT_EQ(*sha256File(folder / L"empty", &size), kEmptyDigest);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(*sha256File(folder / L"million", &size),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  EXPECT_EQ(size, 1000000u);

  // A copy into folders that do not exist yet, of a file another program has open for writing.
  myr::testing::LauncherProcess writer(MYR_SAVE_WORKER, {}, L"hold \"" + (folder / L"large").wstring() + L"\"");
  ASSERT_EQ(writer.readLine(), "ready");
  const std::filesystem::path copy = folder / L"new" / L"folders" / L"large";
  const Result<std::string> digest = verifiedCopy(folder / L"large", copy);
  ASSERT_TRUE(digest) << digest.error().message;
  EXPECT_EQ(*digest, *sha256File(folder / L"large", &size));
  EXPECT_EQ(size, 2500003u);
  EXPECT_EQ(readFile(copy), readFile(folder / L"large"));
  EXPECT_EQ(*verifiedCopy(folder / L"empty", folder / L"empty copy"), kEmptyDigest);

  const Result<std::string> missing = verifiedCopy(folder / L"missing", folder / L"to");
  EXPECT_EQ(missing.error().message,
            toUtf8((folder / L"missing").native()) + ": " + systemErrorText(ERROR_FILE_NOT_FOUND));
  myr::testing::LauncherProcess locker(MYR_SAVE_WORKER, {}, L"hold \"" + copy.wstring() + L"\"");
  ASSERT_EQ(locker.readLine(), "ready");
  const Result<std::string> locked = verifiedCopy(folder / L"million", copy);
  EXPECT_EQ(locked.error().message, toUtf8(copy.native()) + ": " + systemErrorText(ERROR_SHARING_VIOLATION));
}

// One hashing thread serves a whole piece of work: files around the 1 MiB chunk and beyond the
// chunks in flight, hashed and copied in turn, each get the digest that sha256sum gives.
TEST(Sha256, OneHasherGivesEachFileItsOwnDigest) {
  const myr::testing::TempFolder folder;
  constexpr std::size_t kChunk = 1048576;
  const std::size_t sizes[] = {0, 1, kChunk - 1, kChunk, kChunk + 1, 4 * kChunk + 7};
  std::string expected;
  for (const std::size_t size : sizes) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + size) % 251);
    writeFile(folder / toWide("f" + std::to_string(size)), bytes);
  }
  const std::optional<test::HostRun> sums = test::runOnHost(folder.path(), "sha256sum f*");
  if (!sums) GTEST_SKIP() << "no host shell: not running under Wine";
  std::map<std::string, std::string> host;
  std::istringstream lines(sums->output);
  for (std::string digest, name; lines >> digest >> name;) host[name] = digest;

  Sha256Files hashing;
  for (const std::size_t size : sizes) {
    const std::string name = "f" + std::to_string(size);
    std::uint64_t hashed = 0;
    const Result<std::string> digest = hashing.hash(folder / toWide(name), &hashed);
    ASSERT_TRUE(digest) << digest.error().message;
    EXPECT_EQ(*digest, host[name]) << name;
    EXPECT_EQ(hashed, size);
    const Result<std::string> copied = hashing.verifiedCopy(folder / toWide(name), folder / L"copies" / toWide(name));
    ASSERT_TRUE(copied) << copied.error().message;
    EXPECT_EQ(*copied, host[name]) << name;
  }
}

TEST(BackupSets, CollectsSaveFilesOnly) {
  const myr::testing::TempFolder game;
  putSaves(game.path(), "a");
  const SaveFiles files = collectSaveFiles(game.path());
  EXPECT_EQ(files.error, "");
  std::vector<std::string> sorted = files.paths;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, kCollected);
  EXPECT_TRUE(collectSaveFiles(game / L"missing").paths.empty());
}

TEST(BackupSets, AManifestWrittenByTheLauncherVerifiesWithSha256sum) {
  const myr::testing::TempFolder game;
  putSaves(game.path(), "a");
  const Result<json::Value> made = backupNow(game.path());
  ASSERT_TRUE(made) << made.error().message;
  const std::string name = made->get("name").asString();
  EXPECT_TRUE(isBackupSetName(name)) << name;
  const std::filesystem::path set = game.path() / L"backups" / toWide(name);
  EXPECT_EQ(made->get("files").asNumber(0), 5);
  EXPECT_EQ(made->get("bytes").asNumber(0), 46);
  EXPECT_EQ(made->get("path").asString(), toUtf8(set.native()));
  EXPECT_EQ(test::treeContents(game.path() / L"backups").size(), 6u);  // five copies and the manifest
  const std::optional<test::HostRun> check = test::runOnHost(set, "sha256sum -c --strict manifest.sha256");
  if (!check) GTEST_SKIP() << "no host shell: not running under Wine";
  EXPECT_EQ(check->exitCode, 0) << check->output;
  EXPECT_NE(check->output.find("states/quick.state: OK"), std::string::npos) << check->output;
}

TEST(BackupSets, TwoSetsWithinOneSecondAreBothListedAndRestorable) {
  const myr::testing::TempFolder game;
  putSaves(game.path(), "a");
  const Result<BackupResult> first = makeBackup(game.path(), "", stampTime(0));
  const Result<BackupResult> second = makeBackup(game.path(), "", stampTime(0));
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->name, "2024-01-31_10-00-00");
  EXPECT_EQ(second->name, "2024-01-31_10-00-00_02");
  EXPECT_EQ(second->files, 5u);
  EXPECT_EQ(listedNames(game.path()), (std::vector<std::string>{"2024-01-31_10-00-00_02", "2024-01-31_10-00-00"}));
  EXPECT_TRUE(findBackupSet(game.path(), second->name));
  EXPECT_TRUE(findBackupSet(game.path(), first->name));
  EXPECT_EQ(restoreError(game.path(), *findBackupSet(game.path(), second->name)), "restored");
}

TEST(BackupSets, WritesOnlyWhatThereIsAndRefusesWhatCannotBeWritten) {
  const myr::testing::TempFolder game;
  EXPECT_EQ(makeBackup(game.path(), "", stampTime(0)).error().message,
            "there are no saves yet (memcards\\, savedata\\ and states\\ are empty)");
  writeFile(game / L"states" / L"only.state", "state");
  writeFile(game / L"backups" / L"2024-01-31_10-00-00.partial" / L"leftover", "x");
  const Result<BackupResult> set = makeBackup(game.path(), "", stampTime(0));
  ASSERT_TRUE(set) << set.error().message;
  const std::filesystem::path folder = game / L"backups" / L"2024-01-31_10-00-00";
  EXPECT_EQ(test::treeContents(folder),
            (Files{{"manifest.sha256", *sha256File(folder / L"states" / L"only.state") + "  states/only.state\n"},
                   {"states/only.state", "state"}}));
  EXPECT_FALSE(std::filesystem::exists(folder.native() + L".partial"));
  EXPECT_EQ(writeBackupSet(game.path(), folder).error().message, toUtf8(folder.native()) + " already exists");
}

TEST(BackupSets, ListsCompleteSetsNewestFirst) {
  const myr::testing::TempFolder game;
  putSaves(game.path(), "a");
  const std::filesystem::path backups = game / L"backups";
  ASSERT_TRUE(makeBackup(game.path(), "", stampTime(0)));
  ASSERT_TRUE(makeBackup(game.path(), "_before-restore", stampTime(0)));
  std::filesystem::copy(backups / L"2024-01-31_10-00-00", backups / L"2024-01-01_10-00-00.partial",
                        std::filesystem::copy_options::recursive);
  std::filesystem::copy(backups / L"2024-01-31_10-00-00", backups / L"2024-01-31_10-00-00-2",
                        std::filesystem::copy_options::recursive);
  std::filesystem::copy(backups / L"2024-01-31_10-00-00", backups / L"2024-01-31_10-00-01",
                        std::filesystem::copy_options::recursive);
  std::filesystem::remove(backups / L"2024-01-31_10-00-01" / L"states" / L"quick.state");
  writeFile(backups / L"2024-01-31_10-00-02" / L"manifest.sha256", "not a manifest");

  const std::vector<BackupSetInfo> sets = listBackupSets(game.path());
  ASSERT_EQ(sets.size(), 3u);
  EXPECT_EQ(sets[0].name, "2024-01-31_10-00-01");
  EXPECT_EQ(sets[1].name, "2024-01-31_10-00-00_before-restore");
  EXPECT_EQ(sets[2].name, "2024-01-31_10-00-00");
  EXPECT_EQ(sets[2].files, 5u);
  EXPECT_EQ(sets[0].files, 5u);
  EXPECT_EQ(sets[2].bytes - sets[0].bytes, std::string("state a").size());  // the deleted copy counts 0
  EXPECT_EQ(json::write(backupSetsJson({sets[2]})), R"([{"name":"2024-01-31_10-00-00","files":5,"bytes":)" +
                                                        std::to_string(sets[2].bytes) + R"(,"created":)" +
                                                        std::to_string(sets[2].createdMs) + "}]");
}

TEST(BackupSets, TheListingKeepsTheNewest200Sets) {
  const myr::testing::TempFolder game;
  const std::string manifest = kEmptyDigest + "  states/a.state\n";
  for (int day = 1; day <= 28; ++day) {
    for (int hour = 0; hour < 8; ++hour) {
      char name[32];
      std::snprintf(name, sizeof name, "2024-02-%02d_%02d-00-00", day, hour);
      writeFile(game / L"backups" / toWide(name) / L"manifest.sha256", manifest);
    }
  }
  const std::vector<std::string> names = listedNames(game.path());
  ASSERT_EQ(names.size(), 200u);
  EXPECT_EQ(names.front(), "2024-02-28_07-00-00");
  EXPECT_EQ(names.back(), "2024-02-04_00-00-00");
}

class Restore : public ::testing::Test {
 protected:
  Restore() {
    putSaves(game_.path(), "a");
    set_ = game_ / L"backups" / toWide(makeBackup(game_.path(), "", stampTime(0))->name);
    before_ = saveContents(game_.path());
  }

  std::vector<std::string> backups() const { return listedNames(game_.path()); }
  std::size_t backupFolders() const {
    const std::filesystem::directory_iterator folders(game_ / L"backups");
    return static_cast<std::size_t>(std::distance(begin(folders), end(folders)));
  }

  myr::testing::TempFolder game_;
  std::filesystem::path set_;
  Files before_;
};

TEST_F(Restore, PutsTheSetInPlaceAfterBackingUpTheCurrentSaves) {
  const std::filesystem::path saveData = game_ / L"savedata" / L"QXUS-40404";
  putSaves(game_.path(), "b");
  writeFile(saveData / L"save-002.myrsave", "a save the set does not hold");
  writeFile(game_ / L"states" / L"later.state", "a state the set does not hold");
  const Files current = saveContents(game_.path());

  const Result<json::Value> restored = restoreNow(game_.path(), set_);
  ASSERT_TRUE(restored) << restored.error().message;
  const std::vector<std::string> sets = backups();
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_TRUE(sets[0].ends_with("_before-restore")) << sets[0];
  EXPECT_EQ(json::write(*restored), R"({"kind":"set","files":5,"safetyBackup":")" + sets[0] + "\"}");

  // The set's files are back; save data the set does not hold is gone, other files stay.
  Files expected = before_;
  expected["states/later.state"] = "a state the set does not hold";
  EXPECT_EQ(saveContents(game_.path()), expected);
  // The safety set holds the saves as they were (without temporary files and non-saves).
  const Files safety = test::treeContents(game_ / L"backups" / toWide(sets[0]));
  EXPECT_EQ(safety.at("memcards/Mcd001.ps2"), current.at("memcards/Mcd001.ps2"));
  EXPECT_EQ(safety.at("savedata/QXUS-40404/save-002.myrsave"), "a save the set does not hold");
  EXPECT_EQ(safety.count("savedata/QXUS-40404/notes.txt"), 0u);
  EXPECT_FALSE(std::filesystem::exists(game_ / L"backups" / L"restore.journal"));
}

TEST_F(Restore, WithoutCurrentSavesThereIsNoSafetySet) {
  for (const wchar_t* folder : {L"memcards", L"savedata", L"states"}) std::filesystem::remove_all(game_ / folder);
  const Result<RestoreResult> restored = restoreSet(game_.path(), set_, stampTime(30));
  ASSERT_TRUE(restored) << restored.error().message;
  EXPECT_EQ(restored->safetyBackup, "");
  EXPECT_EQ(backups().size(), 1u);
  EXPECT_EQ(saveContents(game_.path()).size(), kCollected.size());
}

TEST_F(Restore, DamagedSetsChangeNothing) {
  const std::filesystem::path copy = set_ / L"states" / L"quick.state";
  const std::string manifest = readFile(set_ / L"manifest.sha256");
  struct Case {
    const char* what;
    std::function<void()> damage;
    std::string error;
  };
  const Case cases[] = {
      {"a file changed after the backup", [&] { writeFile(copy, "changed"); },
       "states/quick.state does not match manifest.sha256: the set is damaged, nothing was changed"},
      {"a file missing from the set", [&] { std::filesystem::remove(copy); },
       toUtf8(copy.native()) + ": " + systemErrorText(ERROR_FILE_NOT_FOUND)},
      {"a manifest naming a file outside the saves",
       [&] { writeFile(set_ / L"manifest.sha256", manifest + kEmptyDigest + "  savedata/OTHER-00000/x.myrsave\n"); },
       "manifest.sha256 line 6 is not a save file of this port"},
      {"a manifest with a parent step",
       [&] { writeFile(set_ / L"manifest.sha256", kEmptyDigest + "  states/../x.state\n"); },
       "manifest.sha256 line 1 is not a save file of this port"},
  };
  for (const Case& c : cases) {
    putSaves(game_.path(), "b");
    const Files current = saveContents(game_.path());
    c.damage();
    EXPECT_EQ(restoreError(game_.path(), set_), c.error) << c.what;
    EXPECT_EQ(saveContents(game_.path()), current) << c.what;
    EXPECT_EQ(backupFolders(), 1u) << c.what;
    writeFile(set_ / L"manifest.sha256", manifest);
    writeFile(copy, "state a");
  }
}

TEST_F(Restore, NamesThatDoNotDesignateASetAreRefused) {
  const std::string name = toUtf8(set_.filename().native());
  const std::string longName = name + "_" + std::string(40, 'x');
  const std::pair<std::string, std::string> cases[] = {
      {"", "There is no backup ."},
      {"..", "There is no backup ..."},
      {name + "\\..\\" + name, "There is no backup " + name + "\\..\\" + name.substr(0, 25) + "."},
      {"C:\\" + name, "There is no backup C:\\" + name + "."},
      {name + ".partial", "There is no backup " + name + ".partial."},
      {longName, "There is no backup " + longName.substr(0, 48) + "."},
      {"2024-01-31_10-00-09", "There is no backup 2024-01-31_10-00-09."},
  };
  for (const auto& [argument, message] : cases) {
    const Result<std::filesystem::path> found = findBackupSet(game_.path(), argument);
    ASSERT_FALSE(found) << argument;
    EXPECT_EQ(found.error().message, message);
  }
  EXPECT_EQ(*findBackupSet(game_.path(), name), set_);
}

TEST_F(Restore, SetsWhoseManifestSha256sumWroteAreRestored) {
  const myr::testing::TempFolder host;
  putSaves(host.path(), "a");
  const std::filesystem::path set = host.path() / L"backups" / L"2024-03-01_00-00-00";
  for (const std::string& path : kCollected) {
    writeFile(manifestPath(set, path), readFile(manifestPath(host.path(), path)));
  }
  for (const char* options : {"", "-b "}) {
    std::string files;
    for (const std::string& path : kCollected) files += " " + path;
    const std::optional<test::HostRun> made =
        test::runOnHost(set, std::string("sha256sum ") + options + files + " > manifest.sha256");
    if (!made) GTEST_SKIP() << "no host shell: not running under Wine";
    ASSERT_EQ(made->exitCode, 0) << made->output;
    putSaves(host.path(), "b");
    EXPECT_EQ(restoreError(host.path(), set), "restored") << options;
    EXPECT_EQ(readFile(host.path() / L"states" / L"quick.state"), "state a") << options;
  }
}

TEST_F(Restore, AFileThatCannotBeReplacedStopsTheRestoreAndLeavesItPending) {
  putSaves(game_.path(), "b");
  const std::filesystem::path held = game_ / L"savedata" / L"QXUS-40404" / L"save-001.myrsave";
  {
    myr::testing::LauncherProcess game(MYR_SAVE_WORKER, {}, L"hold \"" + held.wstring() + L"\"");
    ASSERT_EQ(game.readLine(), "ready");
    const std::string error = restoreError(game_.path(), set_);
    const std::string safety = backups()[0];
    const std::vector<ManifestEntry> entries = *readManifest(set_);
    const auto replaced =
        std::find_if(entries.begin(), entries.end(),
                     [](const ManifestEntry& entry) { return entry.path == "savedata/QXUS-40404/save-001.myrsave"; }) -
        entries.begin();
    // The system's reason differs between versions (sharing violation, access denied).
    EXPECT_TRUE(error.starts_with("savedata/QXUS-40404/save-001.myrsave: ")) << error;
    EXPECT_TRUE(error.ends_with(". " + std::to_string(replaced) +
                                " of 5 files were replaced; the previous saves are in backups\\" + safety))
        << error;
    EXPECT_EQ(readFile(game_ / L"memcards" / L"Mcd001.ps2"), "card one a");
    EXPECT_EQ(readFile(held), "save one b");
    // Half restored: the player is told and decides; nothing else may change the saves meanwhile.
    const std::optional<PendingRestore> pending = pendingRestore(game_.path());
    ASSERT_TRUE(pending);
    EXPECT_EQ(pending->set, toUtf8(set_.filename().native()));
    EXPECT_EQ(pending->safetyBackup, safety);
    EXPECT_EQ(pending->reason, "The restore stopped before all of its files were in place.");
    EXPECT_EQ(refuseWhileRestorePending(game_.path()).error().message, kRestorePendingRefusal);
    EXPECT_EQ(restoreNow(game_.path(), set_).error().message, kRestorePendingRefusal);
  }
  // Once the file is free the next start finishes the restore by itself.
  EXPECT_TRUE(finishInterruptedRestore(game_.path()).starts_with("An interrupted restore of 2024-01-31_10-00-00 was finished"));
  EXPECT_EQ(saveContents(game_.path()), before_);
  EXPECT_FALSE(pendingRestore(game_.path()));
  EXPECT_FALSE(std::filesystem::exists(game_ / L"backups" / L"restore.journal"));
}

// The facts of a file as a record keeps them.
std::optional<RecordedFile> factsOf(const std::filesystem::path& file) {
  if (!std::filesystem::exists(file)) return std::nullopt;
  std::uint64_t size = 0;
  const std::string digest = *sha256File(file, &size);
  return RecordedFile{size, fileStatus(file).modifiedMs, digest};
}

class InterruptedRestore : public Restore {
 protected:
  // The saves as they are (version b, and a save the set lacks), a safety set of them, and the
  // set staged with its record, as a launcher ended after moving `moved` files leaves them.
  void interrupt(std::size_t moved) {
    putSaves(game_.path(), "b");
    writeFile(saveData() / L"save-009.myrsave", "not in the set");
    current_ = saveContents(game_.path());
    safety_ = makeBackup(game_.path(), "_before-restore", stampTime(20))->name;
    RestoreRecord record{toUtf8(set_.filename().native()), safety_, {}};
    const std::vector<ManifestEntry> entries = *readManifest(set_);
    for (const ManifestEntry& entry : entries) {
      const std::filesystem::path target = manifestPath(game_.path(), entry.path);
      std::optional<RecordedFile> before = factsOf(target);
      const auto kind = before ? RecordTarget::Kind::Replace : RecordTarget::Kind::Create;
      record.targets.push_back(RecordTarget{kind, entry.path, entry.sha256, std::move(before)});
      writeFile(staged(entry.path), readFile(manifestPath(set_, entry.path)));
    }
    record.targets.push_back(RecordTarget{RecordTarget::Kind::Delete, "savedata/QXUS-40404/save-009.myrsave", "",
                                          factsOf(saveData() / L"save-009.myrsave")});
    writeFile(journal(), formatRestoreRecord(record));
    for (std::size_t i = 0; i < moved; ++i) {
      std::filesystem::rename(staged(entries[i].path), manifestPath(game_.path(), entries[i].path));
    }
  }

  std::filesystem::path saveData() const { return game_ / L"savedata" / L"QXUS-40404"; }
  std::filesystem::path journal() const { return game_ / L"backups" / L"restore.journal"; }
  std::filesystem::path staged(const std::string& path) const {
    return manifestPath(game_.path(), path).native() + L".import-tmp";
  }
  Files savesWithoutStaged() const { return saves::savesWithoutStaged(game_.path()); }

  Files current_;
  std::string safety_;
};

TEST_F(InterruptedRestore, StartUpFinishesOnlyWhileEveryFileIsAsRecorded) {
  const std::string card = "memcards/Mcd001.ps2";
  const std::string state = "states/quick.state";
  struct Case {
    const char* what;
    std::size_t moved;
    std::function<void()> meanwhile;
    std::string reason;  // empty: finished
  };
  const Case cases[] = {
      {"nothing changed since", 2, [] {}, ""},
      {"a save written since, which the record does not know", 3,
       [&] { writeFile(saveData() / L"save-005.myrsave", "newer"); }, ""},
      {"the card written since", 0, [&] { writeFile(manifestPath(game_.path(), card), "the game wrote this"); },
       card + " has changed since the restore began."},
      {"a file to remove written since", 5, [&] { writeFile(saveData() / L"save-009.myrsave", "saved again"); },
       "savedata/QXUS-40404/save-009.myrsave has changed since the restore began."},
      {"a staged copy gone", 1, [&] { std::filesystem::remove(staged(state)); },
       "the copy of " + state + " that the restore had prepared is missing."},
      {"a staged copy damaged", 1, [&] { writeFile(staged(state), "damaged"); },
       "the copy of " + state + " that the restore had prepared is damaged."},
      {"a record of an earlier launcher", 0,
       [&] { writeFile(journal(), manifestLine(kEmptyDigest, state)); },
       "The record of the interrupted restore cannot be used: it was written by an earlier launcher and does not say "
       "what the saves were before the restore."},
      {"a damaged record", 0, [&] { writeFile(journal(), readFile(journal()) + "replace x\n"); },
       "The record of the interrupted restore cannot be used: its line 10 is damaged."},
  };
  for (const Case& c : cases) {
    if (!safety_.empty()) std::filesystem::remove_all(game_ / L"backups" / toWide(safety_));
    interrupt(c.moved);
    c.meanwhile();
    const Files meanwhile = savesWithoutStaged();
    const std::string note = finishInterruptedRestore(game_.path());
    const std::optional<PendingRestore> pending = pendingRestore(game_.path());
    if (c.reason.empty()) {
      EXPECT_TRUE(note.starts_with("An interrupted restore of 2024-01-31_10-00-00 was finished")) << c.what << note;
      Files expected = before_;
      for (const auto& [path, bytes] : meanwhile) {
        if (path == "savedata/QXUS-40404/save-005.myrsave") expected[path] = bytes;
      }
      EXPECT_EQ(saveContents(game_.path()), expected) << c.what;
      EXPECT_FALSE(pending) << c.what;
      EXPECT_FALSE(std::filesystem::exists(journal())) << c.what;
    } else {
      EXPECT_EQ(savesWithoutStaged(), meanwhile) << c.what;
      ASSERT_TRUE(pending) << c.what;
      EXPECT_EQ(pending->reason, c.reason) << c.what;
      EXPECT_TRUE(std::filesystem::exists(journal())) << c.what;
      EXPECT_NE(note.find(c.reason.substr(0, c.reason.size() - 1)), std::string::npos) << c.what << ": " << note;
    }
    std::filesystem::remove(journal());
  }
}

TEST_F(InterruptedRestore, ThePlayerFinishesOrUndoesItAndNewerSavesGoToASafetySet) {
  for (const std::string action : {"finish", "undo"}) {
    std::filesystem::remove_all(game_ / L"backups");
    set_ = game_ / L"backups" / toWide(makeBackup(game_.path(), "", stampTime(0))->name);
    interrupt(2);
    // The game ran meanwhile, outside the launcher: a newer card and a new save.
    writeFile(game_ / L"memcards" / L"Mcd001.ps2", "newer card");
    writeFile(saveData() / L"save-005.myrsave", "newer save");
    Files newer;
    for (const std::string& path : collectSaveFiles(game_.path()).paths) newer[path] = saveContents(game_.path()).at(path);
    EXPECT_TRUE(finishInterruptedRestore(game_.path()).find("waits for the player") != std::string::npos);
    ASSERT_TRUE(pendingRestore(game_.path()));
    EXPECT_EQ(saveContents(game_.path()).at("memcards/Mcd001.ps2"), "newer card") << action;

    const Result<json::Value> settled = settleRestoreNow(game_.path(), action);
    ASSERT_TRUE(settled) << action << ": " << settled.error().message;
    const std::string safetyNow = settled->get("safetyBackup").asString();
    EXPECT_TRUE(safetyNow.ends_with("_before-restore") && safetyNow != safety_) << safetyNow;
    Files held = test::treeContents(game_ / L"backups" / toWide(safetyNow));
    held.erase("manifest.sha256");
    EXPECT_EQ(held, newer) << action;
    const Files expected = action == "finish" ? before_ : current_;
    Files saves = saveContents(game_.path());
    EXPECT_EQ(saves, expected) << action;
    EXPECT_FALSE(pendingRestore(game_.path())) << action;
    EXPECT_FALSE(std::filesystem::exists(journal())) << action;
    EXPECT_EQ(settleRestoreNow(game_.path(), action).error().message, "There is no interrupted restore.");
  }
}

TEST_F(InterruptedRestore, SettlingARecordThatNamesNoSetKeepsTheSavesAsTheyAre) {
  interrupt(1);
  writeFile(journal(), manifestLine(kEmptyDigest, "states/quick.state"));
  const Files saves = savesWithoutStaged();
  EXPECT_EQ(settleRestoreNow(game_.path(), "finish").error().message,
            "The record of the interrupted restore does not name its set: undo it, then restore a set.");
  EXPECT_EQ(settleRestoreNow(game_.path(), "again").error().message, "The action must be \"finish\" or \"undo\".");
  ASSERT_TRUE(pendingRestore(game_.path()));
  const Result<json::Value> undone = settleRestoreNow(game_.path(), "undo");
  ASSERT_TRUE(undone) << undone.error().message;
  EXPECT_EQ(json::write(*undone), R"({"kind":"set","files":0,"safetyBackup":""})");
  EXPECT_EQ(savesWithoutStaged(), saves);
  EXPECT_FALSE(pendingRestore(game_.path()));
}

// A pause handler the tests install for one restore: stops at its points to do what another
// program would do at that moment.
std::function<void(std::string_view)> atPausePoint;
void callPauseHandler(std::string_view point) { atPausePoint(point); }

class PausedRestore : public Restore {
 protected:
  ~PausedRestore() override { setPauseHandler(nullptr); }
  void whenReached(std::function<void(std::string_view)> handler) {
    atPausePoint = std::move(handler);
    setPauseHandler(&callPauseHandler);
  }
};

TEST_F(PausedRestore, ARecordThatCannotBeRemovedFailsTheRestoreAndNeverTouchesLaterSaves) {
  putSaves(game_.path(), "b");
  const std::filesystem::path journal = game_ / L"backups" / L"restore.journal";
  WinHandle holder;
  whenReached([&](std::string_view point) {
    if (point == "restore:moved" && !holder) {
      holder.reset(CreateFileW(journal.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr));
    }
  });
  const std::string error = restoreError(game_.path(), set_);
  EXPECT_TRUE(error.starts_with("the saves are those of the set; the restore's record could not be removed: ")) << error;
  EXPECT_EQ(saveContents(game_.path()), before_);
  holder.reset();

  // The player saves, then backs up: the new save is kept and backed up.
  const std::filesystem::path saveData = game_ / L"savedata" / L"QXUS-40404";
  writeFile(saveData / L"save-002.myrsave", "a new save");
  writeFile(saveData / L"save-002.json", "{}");
  EXPECT_FALSE(pendingRestore(game_.path()));
  const Result<json::Value> backup = backupNow(game_.path());
  ASSERT_TRUE(backup) << backup.error().message;
  const Files set = test::treeContents(game_ / L"backups" / toWide(backup->get("name").asString()));
  EXPECT_EQ(set.at("savedata/QXUS-40404/save-002.myrsave"), "a new save");
  EXPECT_EQ(readFile(saveData / L"save-002.myrsave"), "a new save");
  EXPECT_EQ(readFile(saveData / L"save-002.json"), "{}");
  // The next start only removes the record.
  EXPECT_EQ(finishInterruptedRestore(game_.path()),
            "The record of a restore of 2024-01-31_10-00-00 that had ended was removed.");
  EXPECT_EQ(readFile(saveData / L"save-002.myrsave"), "a new save");
  EXPECT_FALSE(std::filesystem::exists(journal));
}

// The page's listings and pictures read save files while a restore replaces them, holding each
// for a moment without sharing its deletion: the restore waits for them instead of stopping.
TEST_F(PausedRestore, FilesReadForAMomentMeanwhileAreWaitedFor) {
  putSaves(game_.path(), "b");
  const std::filesystem::path removed = game_ / L"savedata" / L"QXUS-40404" / L"save-002.myrsave";
  writeFile(removed, "a save the set does not hold");
  const std::vector<ManifestEntry> entries = *readManifest(set_);
  std::vector<std::thread> readers;
  std::size_t moves = 0;
  const auto readForAMoment = [&readers](const std::filesystem::path& path) {
    auto file = std::make_shared<WinHandle>(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                        nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(*file) << toUtf8(path.native());
    readers.emplace_back([file] {
      Sleep(300);
      file->reset();
    });
  };
  whenReached([&](std::string_view point) {
    if (point == "restore:moved" && ++moves == 1) readForAMoment(manifestPath(game_.path(), entries[1].path));
    if (point == "restore:moved" && moves == entries.size()) readForAMoment(removed);
    if (point == "restore:deleted") readForAMoment(game_ / L"backups" / L"restore.journal");
  });
  const Result<json::Value> restored = restoreNow(game_.path(), set_);
  for (std::thread& reader : readers) reader.join();
  ASSERT_TRUE(restored) << restored.error().message;
  EXPECT_EQ(readers.size(), 3u);
  EXPECT_EQ(saveContents(game_.path()), before_);
  EXPECT_FALSE(pendingRestore(game_.path()));
}

TEST_F(PausedRestore, AStagedCopyIsCheckedAgainRightBeforeItReplacesAnything) {
  putSaves(game_.path(), "b");
  const Files current = saveContents(game_.path());
  const std::vector<ManifestEntry> entries = *readManifest(set_);
  const std::filesystem::path second = manifestPath(game_.path(), entries[1].path).native() + L".import-tmp";
  whenReached([&](std::string_view point) {
    if (point == "restore:moved" && std::filesystem::exists(second)) writeFile(second, "changed by another program");
  });
  const std::string error = restoreError(game_.path(), set_);
  EXPECT_TRUE(error.starts_with(entries[1].path + " changed while it waited to be put in place. 1 of 5 files were replaced; "
                                "the previous saves are in backups\\"))
      << error;
  EXPECT_EQ(readFile(manifestPath(game_.path(), entries[1].path)), current.at(entries[1].path));
  EXPECT_EQ(readFile(manifestPath(game_.path(), entries[0].path)), before_.at(entries[0].path));
  const std::optional<PendingRestore> pending = pendingRestore(game_.path());
  ASSERT_TRUE(pending);
  EXPECT_EQ(pending->reason, "the copy of " + entries[1].path + " that the restore had prepared is damaged.");
}

TEST_F(PausedRestore, FailuresBeforeTheFirstReplacementChangeNothing) {
  putSaves(game_.path(), "b");
  const Files current = savesWithoutStaged(game_.path());
  // A set file changed by another program while the restore backs up the current saves.
  whenReached([&](std::string_view point) {
    if (point == "backup:copied") writeFile(set_ / L"states" / L"quick.state", "changed meanwhile");
  });
  EXPECT_EQ(restoreError(game_.path(), set_), "states/quick.state changed while it was copied; nothing was changed");
  setPauseHandler(nullptr);
  writeFile(set_ / L"states" / L"quick.state", "state a");
  EXPECT_EQ(savesWithoutStaged(game_.path()), current);
  EXPECT_FALSE(pendingRestore(game_.path()));

  // Saves that cannot all be backed up are never replaced.
  for (int i = 0; i < 4096; ++i) writeFile(game_ / L"states" / toWide("s" + std::to_string(i) + ".state"), "");
  EXPECT_EQ(restoreError(game_.path(), set_),
            "the backup of the current saves failed, nothing was changed: more than 4096 files in memcards\\, "
            "savedata\\ and states\\");
  EXPECT_EQ(readFile(game_ / L"memcards" / L"Mcd001.ps2"), "card one b");
}

TEST_F(Restore, ASaveDataFileThatCannotBeRemovedIsToldAfterTheSetIsInPlace) {
  putSaves(game_.path(), "b");
  const std::filesystem::path extra = game_ / L"savedata" / L"QXUS-40404" / L"save-009.myrsave";
  writeFile(extra, "not in the set");
  myr::testing::LauncherProcess game(MYR_SAVE_WORKER, {}, L"hold \"" + extra.wstring() + L"\"");
  ASSERT_EQ(game.readLine(), "ready");
  const std::string error = restoreError(game_.path(), set_);
  EXPECT_TRUE(error.starts_with("save-009.myrsave: ")) << error;
  EXPECT_TRUE(error.ends_with(". The files of the set are in place; the previous saves are in backups\\" + backups()[0]))
      << error;
  Files expected = withoutStaged(before_);
  expected["savedata/QXUS-40404/save-009.myrsave"] = "not in the set";
  EXPECT_EQ(savesWithoutStaged(game_.path()), expected);
  ASSERT_TRUE(pendingRestore(game_.path()));
}

TEST_F(Restore, AManifestListingAStagedNameIsRefusedBeforeAnythingChanges) {
  putSaves(game_.path(), "b");
  const Files current = saveContents(game_.path());
  const std::string manifest = readFile(set_ / L"manifest.sha256");
  writeFile(set_ / L"memcards" / L"Mcd001.ps2.import-tmp", "wrong bytes");
  writeFile(set_ / L"manifest.sha256",
            *sha256File(set_ / L"memcards" / L"Mcd001.ps2.import-tmp") + "  memcards/Mcd001.ps2.import-tmp\n" + manifest);
  EXPECT_EQ(restoreError(game_.path(), set_), "manifest.sha256 line 1 is not a save file of this port");
  EXPECT_EQ(saveContents(game_.path()), current);
}

TEST(BackupSets, SaveDataNamesUtf8CannotCarryAreSkippedAndSaidSo) {
  // Such names exist on Windows only (Wine keeps names in UTF-8): the rule works on a listing.
  const std::wstring odd = std::wstring(L"save-") + wchar_t(0xD800) + L".myrsave";
  FolderListing listing;
  for (const std::wstring& name : {std::wstring(L"save-001.myrsave"), odd, std::wstring(L"notes.txt"),
                                   std::wstring(L"save-002.myrsave.tmp"), std::wstring(L"save-003.json")}) {
    listing.entries.push_back(FolderEntry{name});
  }
  listing.entries.push_back(FolderEntry{L"folder.myrsave", true});
  listing.entries.push_back(FolderEntry{L"link.myrsave", false, true});
  const SaveDataFiles files = saveDataFilesOf(listing);
  EXPECT_EQ(files.names, (std::vector<std::string>{"save-001.myrsave", "save-003.json"}));
  EXPECT_EQ(files.skipped, (std::vector<std::string>{"save-\xEF\xBF\xBD.myrsave"}));

  BackupResult set{"2024-01-31_10-00-00", 2, 10, 0, {}};
  const std::filesystem::path game = L"C:\\game";
  EXPECT_EQ(json::write(backupJson(game, set)),
            R"({"name":"2024-01-31_10-00-00","files":2,"bytes":10,"path":"C:\\game\\backups\\2024-01-31_10-00-00"})");
  set.skipped = {"savedata/QXUS-40404/" + files.skipped[0]};
  EXPECT_EQ(json::write(backupJson(game, set)),
            R"({"name":"2024-01-31_10-00-00","files":2,"bytes":10,"path":"C:\\game\\backups\\2024-01-31_10-00-00",)"
            "\"skipped\":[\"savedata/QXUS-40404/save-\xEF\xBF\xBD.myrsave\"]}");
}

// What a support report says of the saves: names and sizes, never what the files hold.
TEST(BackupSets, SavesReportHasNamesAndSizesOnly) {
  const myr::testing::TempFolder game;
  writeFile(game / L"memcards" / L"Mcd001.ps2", "secret card bytes");
  writeFile(game / L"states" / L"quick.state", "secret state");
  ASSERT_TRUE(makeBackup(game.path(), "", stampTime(0)));
  EXPECT_EQ(savesReport(game.path()),
            "Save files: 2\r\n"
            "  memcards/Mcd001.ps2  17 bytes\r\n"
            "  states/quick.state  12 bytes\r\n"
            "Backup sets: 1 (the newest 200 at most)\r\n"
            "  2024-01-31_10-00-00  2 files, 29 bytes\r\n");
}

}  // namespace
}  // namespace myr::saves
