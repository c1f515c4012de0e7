// The backup made when the game ends: only when the saves changed since the newest after-play
// set, the newest ten of those kept, and no other set ever touched.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/files/file_helpers.h"
#include "foundation/files/win_handle.h"
#include "foundation/files/win_text.h"
#include "save_files_fixture.h"
#include "saves/after_play_win.h"
#include "saves/backup_names.h"
#include "saves/backup_sets_win.h"
#include "saves/restore_win.h"
#include "saves/sha256_win.h"
#include "support/temp_folder.h"

namespace myr::saves {
namespace {

using test::writeFile;

class AfterPlay : public ::testing::Test {
 protected:
  std::filesystem::path backups() const { return game_ / L"backups"; }

  void putSaves(const std::string& version) {
    writeFile(game_ / L"memcards" / L"Mcd001.ps2", "card " + version);
    writeFile(game_ / L"savedata" / L"QXUS-40404" / L"save-001.myrsave", "save " + version);
  }

  // A complete set of one state file, as the launcher would have written it.
  void putSet(const std::string& name) {
    const std::filesystem::path set = backups() / toWide(name);
    writeFile(set / L"states" / L"quick.state", "old");
    writeFile(set / L"manifest.sha256",
              manifestLine(*sha256File(set / L"states" / L"quick.state"), "states/quick.state"));
  }

  std::vector<std::string> folders() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(backups())) {
      names.push_back(toUtf8(entry.path().filename().native()));
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  json::Value backUp() {
    const Result<json::Value> outcome = backupAfterPlayNow(game_.path());
    EXPECT_TRUE(outcome) << outcome.error().message;
    return outcome ? *outcome : json::Value();
  }

  myr::testing::TempFolder game_;
};

TEST_F(AfterPlay, MadeOnlyWhenTheSavesChanged) {
  EXPECT_EQ(json::write(backUp()), R"({"state":"skipped","reason":"There are no saves yet."})");

  putSaves("aaaa");
  const json::Value first = backUp();
  ASSERT_EQ(first.get("state").asString(), "made") << json::write(first);
  const std::string name = first.get("name").asString();
  EXPECT_TRUE(isAfterPlaySetName(name)) << name;
  EXPECT_EQ(first.get("files").asNumber(0), 2);
  EXPECT_EQ(json::write(backUp()), R"({"state":"unchanged","name":")" + name + "\"}");

  // The same size: only the content tells the change.
  putSaves("aaab");
  const json::Value second = backUp();
  ASSERT_EQ(second.get("state").asString(), "made") << json::write(second);
  EXPECT_NE(second.get("name").asString(), name);

  // A file more.
  writeFile(game_ / L"states" / L"quick.state", "state");
  EXPECT_EQ(backUp().get("state").asString(), "made");
  EXPECT_EQ(backUp().get("state").asString(), "unchanged");
}

// The newest after-play set is found among all sets, however many newer ones of other kinds
// there are; the listing of the page stops at 200.
TEST_F(AfterPlay, TheNewestAfterPlaySetIsFoundAmongAllSets) {
  putSaves("aaaa");
  const std::string made = backUp().get("name").asString();
  for (int i = 0; i < 201; ++i)
    putSet("2099-01-01_00-" + std::to_string(10 + i / 50) + "-" + std::to_string(10 + i % 50));
  ASSERT_EQ(listBackupSets(game_.path()).size(), 200u);
  EXPECT_EQ(json::write(backUp()), R"({"state":"unchanged","name":")" + made + "\"}");
}

TEST_F(AfterPlay, KeepsTheNewestTenAndDeletesNoOtherSet) {
  const std::vector<std::string> others{"2020-01-01_00-00-00", "2020-01-01_00-00-00_before-restore",
                                        "2020-01-01_00-00-00_after-playing", "2020-01-01_00-00-00_x_after-play"};
  for (const std::string& name : others) putSet(name);
  std::vector<std::string> old;
  for (int second = 10; second < 21; ++second)
    old.push_back("2021-01-01_00-00-" + std::to_string(second) + "_after-play");
  // A second set within one second counts as the newer one.
  old.push_back("2021-01-01_00-00-20_after-play-02");
  for (const std::string& name : old) putSet(name);
  std::filesystem::create_directories(backups() / L"2020-01-01_00-00-00_after-play.partial");
  putSaves("aaaa");

  const json::Value made = backUp();
  ASSERT_EQ(made.get("state").asString(), "made") << json::write(made);
  EXPECT_EQ(made.get("warning").asString(), "");

  std::vector<std::string> expected = others;
  expected.push_back("2020-01-01_00-00-00_after-play.partial");
  expected.insert(expected.end(), old.end() - 9, old.end());
  expected.push_back(made.get("name").asString());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(folders(), expected);
}

TEST_F(AfterPlay, SkippedWhileARestoreWaitsAndFailsInWords) {
  putSaves("aaaa");
  writeFile(backups() / L"restore.journal",
            "myr_launcher restore record 2\nset 2024-01-31_10-00-00\nsafety \nreplace x\n");
  EXPECT_EQ(json::write(backUp()), R"({"state":"skipped","reason":")" + std::string(kRestorePendingRefusal) + "\"}");
  EXPECT_EQ(folders(), std::vector<std::string>{"restore.journal"});

  std::filesystem::remove(backups() / L"restore.journal");
  const std::filesystem::path card = game_ / L"memcards" / L"Mcd001.ps2";
  const WinHandle held(CreateFileW(card.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  const Result<json::Value> outcome = backupAfterPlayNow(game_.path());
  ASSERT_FALSE(outcome);
  const json::Value told = afterPlayOutcome(outcome);
  EXPECT_EQ(told.get("state").asString(), "failed");
  EXPECT_NE(told.get("error").asString().find("Mcd001.ps2"), std::string::npos) << json::write(told);
  EXPECT_TRUE(folders().empty()) << "nothing of the attempt remains";
}

}  // namespace
}  // namespace myr::saves
