// A launcher ended in the middle of its work (TerminateProcess, at many points spread over a
// format, a backup and a restore) never leaves a half-written card, an incomplete set under a
// set's name, or saves that are neither as before nor as the set.
//
// MYR_SAVE_KILL_POINTS (default 12) and MYR_SAVE_KILL_MEGABYTES (default 24, the size of the saves)
// make the sweep longer for robustness runs.

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <random>

#include "foundation/files/win_text.h"
#include "save_files_fixture.h"
#include "saves/backup_sets_win.h"
#include "saves/card_image_win.h"
#include "saves/card_layout.h"
#include "saves/restore_win.h"
#include "saves/save_files_win.h"
#include "saves/save_names.h"
#include "saves/sha256_win.h"
#include "support/launcher_process.h"
#include "support/temp_folder.h"

namespace myr::saves {
namespace {

using test::writeFile;
using Files = std::map<std::string, std::string>;
using Clock = std::chrono::steady_clock;

int setting(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

const int kKillPoints = setting("MYR_SAVE_KILL_POINTS", 12);
const std::size_t kSaveBytes = static_cast<std::size_t>(setting("MYR_SAVE_KILL_MEGABYTES", 24)) << 20;

std::string noise(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// The saves without temporary files, which an interrupted operation may leave behind.
Files savesNow(const std::filesystem::path& game) {
  Files files = test::saveContents(game);
  std::erase_if(files, [](const auto& file) { return isTemporaryName(file.first); });
  return files;
}

void putFiles(const std::filesystem::path& game, const Files& files) {
  for (const wchar_t* folder : {L"memcards", L"savedata", L"states"}) std::filesystem::remove_all(game / folder);
  for (const auto& [path, bytes] : files) writeFile(manifestPath(game, path), bytes);
}

// Runs the helper program and ends it delay after it announced its work; how long the work took
// when it ended by itself.
std::optional<Clock::duration> runAndKill(const std::wstring& arguments, std::optional<Clock::duration> delay) {
  myr::testing::LauncherProcess worker(MYR_SAVE_WORKER, {}, arguments);
  EXPECT_EQ(worker.readLine(), "start");
  const Clock::time_point started = Clock::now();
  if (delay) {
    std::this_thread::sleep_for(*delay);
    const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, worker.processId());
    if (process != nullptr) {
      TerminateProcess(process, 9);
      WaitForSingleObject(process, 20000);
      CloseHandle(process);
    }
    return std::nullopt;
  }
  const std::optional<std::string> result = worker.readLine(std::chrono::seconds(120));
  EXPECT_EQ(result, "done");
  EXPECT_EQ(worker.waitForExit(), 0u);
  return Clock::now() - started;
}

// Kill points spread over the time the work takes, from its first moment to just past its end.
std::vector<Clock::duration> killPoints(Clock::duration whole) {
  std::vector<Clock::duration> points;
  for (int i = 0; i < kKillPoints; ++i) points.push_back(whole * i / (kKillPoints - 1) * 21 / 20);
  return points;
}

// Every folder with a set's name holds a whole set: its manifest and files with their digests.
void expectCompleteSets(const std::filesystem::path& game, const std::vector<std::string>& expectedPaths) {
  for (const FolderEntry& entry : listFolder(game / L"backups").entries) {
    const std::string name = toUtf8(entry.name);
    if (!entry.isFolder || !isBackupSetName(name)) continue;
    const std::filesystem::path set = game / L"backups" / entry.name;
    const Result<std::vector<ManifestEntry>> manifest = readManifest(set);
    ASSERT_TRUE(manifest) << name << ": " << manifest.error().message;
    std::vector<std::string> paths;
    for (const ManifestEntry& file : *manifest) {
      EXPECT_EQ(*sha256File(manifestPath(set, file.path)), file.sha256) << name << "/" << file.path;
      paths.push_back(file.path);
    }
    std::sort(paths.begin(), paths.end());
    if (!expectedPaths.empty()) {
      EXPECT_EQ(paths, expectedPaths) << name;
    }
  }
}

TEST(SaveKill, AFormatEndsBlankOrFormatted) {
  const myr::testing::TempFolder game;
  const std::filesystem::path card = game / L"memcards" / L"Mcd001.ps2";
  const std::string blank(card::kImageBytes, '\xFF');
  writeFile(card, blank);
  const std::optional<Clock::duration> whole = runAndKill(L"format \"" + card.wstring() + L"\"", std::nullopt);
  ASSERT_TRUE(whole);
  int formatted = 0;
  for (const Clock::duration delay : killPoints(*whole)) {
    writeFile(card, blank);
    runAndKill(L"format \"" + card.wstring() + L"\"", delay);
    const CardSummary summary = readCardSummary(card);
    const bool isBlank = test::readFile(card) == blank;
    const bool isFormatted = summary.formatted && summary.error.empty() && summary.saves.empty() &&
                             summary.freeBytes == 8329216 && summary.capacityBytes == 8330240;
    EXPECT_TRUE(isBlank || isFormatted) << "killed after "
                                        << std::chrono::duration_cast<std::chrono::milliseconds>(delay).count()
                                        << " ms";
    formatted += isFormatted;
  }
  std::printf("format: %lld ms, %d of %d kills after the card was formatted\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(*whole).count()), formatted,
              kKillPoints);
}

// Two memory cards, save data and a state: the saves as they are (A) and as a set holds them (B).
Files savesA() {
  return {{"memcards/Mcd001.ps2", noise(kSaveBytes / 3, 1)},
          {"memcards/Mcd002.ps2", noise(kSaveBytes / 3, 2)},
          {"savedata/QXUS-40404/save-001.myrsave", noise(kSaveBytes / 12, 3)},
          {"savedata/QXUS-40404/save-001.json", "{\"place\":\"A\"}"},
          {"savedata/QXUS-40404/save-002.myrsave", noise(kSaveBytes / 24, 4)},
          {"states/a.state", noise(kSaveBytes / 6, 5)}};
}

Files savesB() {
  return {{"memcards/Mcd001.ps2", noise(kSaveBytes / 3, 11)},
          {"savedata/QXUS-40404/save-001.myrsave", noise(kSaveBytes / 12, 13)},
          {"savedata/QXUS-40404/save-003.myrsave", noise(kSaveBytes / 24, 14)},
          {"states/b.state", noise(kSaveBytes / 6, 15)}};
}

TEST(SaveKill, ABackupLeavesOnlyCompleteSetsUnderSetNames) {
  const myr::testing::TempFolder game;
  const Files saves = savesA();
  putFiles(game.path(), saves);
  std::vector<std::string> paths;
  for (const auto& [path, bytes] : saves) paths.push_back(path);
  const std::wstring arguments = L"backup \"" + game.path().wstring() + L"\"";
  const std::optional<Clock::duration> whole = runAndKill(arguments, std::nullopt);
  ASSERT_TRUE(whole);
  int complete = 0;
  for (const Clock::duration delay : killPoints(*whole)) {
    std::filesystem::remove_all(game / L"backups");
    runAndKill(arguments, delay);
    expectCompleteSets(game.path(), paths);
    EXPECT_TRUE(savesNow(game.path()) == saves);
    complete += !listBackupSets(game.path()).empty();
  }
  std::printf("backup: %lld ms, %d of %d kills after the set was complete\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(*whole).count()), complete,
              kKillPoints);
}

TEST(SaveKill, ARestoreLeavesTheSavesAsBeforeOrAsTheSet) {
  const myr::testing::TempFolder game;
  putFiles(game.path(), savesB());
  const Result<BackupResult> made = makeBackup(game.path(), "", localTimeNow());
  ASSERT_TRUE(made) << made.error().message;
  const std::filesystem::path set = game / L"backups" / toWide(made->name);
  const Files before = savesA();
  Files after = before;
  std::erase_if(after, [](const auto& file) { return file.first.starts_with("savedata/"); });
  for (const auto& [path, bytes] : savesB()) after[path] = bytes;

  const std::wstring arguments = L"restore \"" + game.path().wstring() + L"\" \"" + set.wstring() + L"\"";
  const auto resetTrial = [&] {
    for (const FolderEntry& entry : listFolder(game / L"backups").entries) {
      if (entry.name != set.filename().native()) std::filesystem::remove_all(game / L"backups" / entry.name);
    }
    putFiles(game.path(), before);
  };
  resetTrial();
  const std::optional<Clock::duration> whole = runAndKill(arguments, std::nullopt);
  ASSERT_TRUE(whole);
  ASSERT_TRUE(savesNow(game.path()) == after);
  int restored = 0;
  for (const Clock::duration delay : killPoints(*whole)) {
    resetTrial();
    runAndKill(arguments, delay);
    // What the next start of the launcher does first.
    finishInterruptedRestore(game.path());
    const std::optional<PendingRestore> pending = pendingRestore(game.path());
    ASSERT_FALSE(pending) << pending->reason;
    const Files saves = savesNow(game.path());
    const bool asBefore = saves == before;
    const bool asSet = saves == after;
    EXPECT_TRUE(asBefore || asSet) << "killed after "
                                   << std::chrono::duration_cast<std::chrono::milliseconds>(delay).count() << " ms";
    expectCompleteSets(game.path(), {});
    if (asSet) {
      ++restored;
      const std::vector<BackupSetInfo> sets = listBackupSets(game.path());
      ASSERT_EQ(sets.size(), 2u);
      EXPECT_TRUE(sets[0].name.ends_with("_before-restore"));
      Files safety = test::treeContents(game / L"backups" / toWide(sets[0].name));
      safety.erase("manifest.sha256");
      EXPECT_TRUE(safety == before);
    }
  }
  std::printf("restore: %lld ms, %d of %d kills after the saves were replaced\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(*whole).count()), restored,
              kKillPoints);
}

}  // namespace
}  // namespace myr::saves
