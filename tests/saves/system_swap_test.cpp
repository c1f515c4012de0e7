// Swapping the system save: every failure leaves both saves present, unchanged, under some name.

#include <gtest/gtest.h>
#include <windows.h>

#include "card_test_support.h"
#include "foundation/files/win_text.h"
#include "save_files_fixture.h"
#include "saves/save_data.h"
#include "saves/save_folders.h"
#include "saves/system_swap_win.h"
#include "support/launcher_process.h"
#include "support/temp_folder.h"

namespace myr::saves {
namespace {

using test::readFile;
using test::writeFile;

const std::string kCurrent = std::string("MYRSAVE\0", 8) + std::string(56, 'c');
const std::string kKept = std::string("MYRSAVE\0", 8) + std::string(100, 'k');

std::tm swapTime() { return test::brokenDownTime(2024, 1, 31, 23, 59, 59); }

class SystemSwap : public ::testing::Test {
 protected:
  SystemSwap() : folder_(saveDataFolder(game_.path())) {
    writeFile(folder_ / L"system.myrsave", kCurrent);
    writeFile(folder_ / L"system-card-a.parked", kKept);
  }

  std::string swap(std::string_view kept) {
    const Result<std::string> keptAs = swapSystemFile(game_.path(), kept, swapTime());
    return keptAs ? *keptAs : "error: " + keptAs.error().message;
  }

  // The folder's files with the content they hold.
  std::map<std::string, std::string> files() const { return test::treeContents(folder_); }

  myr::testing::TempFolder game_;
  std::filesystem::path folder_;
};

TEST_F(SystemSwap, ParksTheCurrentSaveAndCanSwapBack) {
  EXPECT_EQ(swap("system-card-a.parked"), "system-before-swap-20240131T235959Z.parked");
  EXPECT_EQ(files(), (std::map<std::string, std::string>{{"system-before-swap-20240131T235959Z.parked", kCurrent},
                                                         {"system.myrsave", kKept}}));
  // Within the same second the next parked name takes a counter.
  EXPECT_EQ(swap("system-before-swap-20240131T235959Z.parked"), "system-before-swap-20240131T235959Z-2.parked");
  EXPECT_EQ(files(), (std::map<std::string, std::string>{{"system-before-swap-20240131T235959Z-2.parked", kKept},
                                                         {"system.myrsave", kCurrent}}));
}

TEST_F(SystemSwap, WithoutASystemSaveTheKeptFileIsPutInPlace) {
  std::filesystem::remove(folder_ / L"system.myrsave");
  const Result<json::Value> swapped = swapSystemNow(game_.path(), "system-card-a.parked");
  ASSERT_TRUE(swapped) << swapped.error().message;
  EXPECT_EQ(json::write(*swapped), R"({"used":"system-card-a.parked","kept":""})");
  EXPECT_EQ(files(), (std::map<std::string, std::string>{{"system.myrsave", kKept}}));
}

TEST_F(SystemSwap, RefusesNamesAndFilesThatAreNotKeptAsideSaves) {
  writeFile(folder_ / L"system-card-short.parked", kKept.substr(0, 63));
  writeFile(folder_ / L"system-card-header.parked", "MYRSAVE1" + std::string(56, 'x'));
  const auto before = files();
  const std::pair<std::string, std::string> cases[] = {
      {"system-card-short.parked", "error: system-card-short.parked is not a save file (no MYRSAVE header)."},
      {"system-card-header.parked", "error: system-card-header.parked is not a save file (no MYRSAVE header)."},
      {"system-card-missing.parked", "error: system-card-missing.parked is not a save file (" +
                                         toUtf8((folder_ / L"system-card-missing.parked").native()) + ": " +
                                         systemErrorText(ERROR_FILE_NOT_FOUND) + ")."},
      {"..\\system-card-a.parked", "error: That is not a kept-aside system file."},
      {"system-card-a.json", "error: That is not a kept-aside system file."},
      {"system.myrsave", "error: That is not a kept-aside system file."},
  };
  for (const auto& [name, message] : cases) {
    EXPECT_EQ(swap(name), message);
  }
  EXPECT_EQ(files(), before);
}

TEST_F(SystemSwap, EveryFailedStepLeavesBothSavesInPlace) {
  const auto before = files();
  {
    // The game holds system.myrsave: it cannot be moved aside.
    myr::testing::LauncherProcess game(MYR_SAVE_WORKER, {},
                                       L"hold \"" + (folder_ / L"system.myrsave").wstring() + L"\"");
    ASSERT_EQ(game.readLine(), "ready");
    EXPECT_EQ(swap("system-card-a.parked"),
              "error: Could not move system.myrsave aside: " + systemErrorText(ERROR_SHARING_VIOLATION));
  }
  EXPECT_EQ(files(), before);
  {
    // Another program holds the kept file: it cannot be put in use, and the parked save goes back.
    myr::testing::LauncherProcess other(MYR_SAVE_WORKER, {},
                                        L"hold \"" + (folder_ / L"system-card-a.parked").wstring() + L"\"");
    ASSERT_EQ(other.readLine(), "ready");
    EXPECT_EQ(swap("system-card-a.parked"),
              "error: Could not put system-card-a.parked in use: " + systemErrorText(ERROR_SHARING_VIOLATION));
  }
  EXPECT_EQ(files(), before);

  // Every parked name of this second is taken.
  for (int attempt = 1; attempt <= kLastParkedNameAttempt; ++attempt) {
    writeFile(folder_ / toWide(parkedSystemSaveName(swapTime(), attempt)), "taken");
  }
  const auto crowded = files();
  EXPECT_EQ(swap("system-card-a.parked"),
            "error: system-before-swap-20240131T235959Z-99.parked exists already: try again in a second.");
  EXPECT_EQ(files(), crowded);
}

}  // namespace
}  // namespace myr::saves
