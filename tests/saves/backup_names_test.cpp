#include "saves/backup_names.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "card_test_support.h"

namespace myr::saves {
namespace {

const std::string kDigest = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

std::string parseError(std::string_view text) {
  const Result<std::vector<ManifestEntry>> entries = parseManifest(text);
  return entries ? std::string("accepted") : entries.error().message;
}

TEST(BackupNames, SetNames) {
  struct Case {
    std::string name;
    bool accepted;
  };
  const Case cases[] = {
      {"2024-01-31_23-59-59", true},
      {"2024-01-31_23-59-59_before-restore", true},
      {"2024-01-31_23-59-59_02", true},
      {"2024-01-31_23-59-59_", true},
      {"2024-01-31_23-59-59_" + std::string(28, 'a'), true},
      {"2024-01-31_23-59-59_" + std::string(29, 'a'), false},
      {"2024-01-31_23-59-59-2", false},
      {"2024-01-31_23-59-59_Before", false},
      {"2024-01-31_23-59-59_a.b", false},
      {"2024-01-31_23-59-59.partial", false},
      {"2024-01-31_23-59-5", false},
      {"2024-01-31 23-59-59", false},
      {"2024/01/31_23-59-59", false},
      {"2024-01-3x_23-59-59", false},
      {"", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isBackupSetName(c.name), c.accepted) << c.name;
  }
}

TEST(BackupNames, StampsAndCollisionNamesStayListableAndSortByTheirCount) {
  const std::string stamp = backupStamp(test::brokenDownTime(2024, 1, 31, 9, 5, 7));
  EXPECT_EQ(stamp, "2024-01-31_09-05-07");
  EXPECT_EQ(backupSetName(stamp, 1), stamp);
  EXPECT_EQ(backupSetName(stamp, 2), stamp + "_02");
  EXPECT_EQ(backupSetName(stamp + "_before-restore", 2), stamp + "_before-restore-02");
  EXPECT_EQ(backupSetName(stamp + "_before-restore", 99), stamp + "_before-restore-99");

  for (const std::string& base : {stamp, stamp + std::string(kBeforeRestoreSuffix)}) {
    std::vector<std::string> names;
    for (int attempt = 1; attempt <= kLastBackupNameAttempt; ++attempt) {
      names.push_back(backupSetName(base, attempt));
      EXPECT_TRUE(isBackupSetName(names.back())) << names.back();
    }
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end())) << base;
  }
}

// The sets the launcher made after playing, which it alone may delete: its own names, nothing like them.
TEST(BackupNames, AfterPlaySetsAndTheirAge) {
  const std::string stamp = "2024-01-31_10-00-00";
  const std::pair<std::string, bool> cases[] = {
      {stamp + "_after-play", true},
      {stamp + "_after-play-02", true},
      {stamp + "_after-play-99", true},
      {stamp + "_after-play-2", false},
      {stamp + "_after-play-0a", false},
      {stamp + "_after-playing", false},
      {stamp + "_after-play-", false},
      {stamp + "_before-restore", false},
      {stamp, false},
      {stamp + "_after-play.partial", false},
      {"2024-01-31_10-00_after-play", false},
      {"x" + stamp + "_after-play", false},
  };
  for (const auto& [name, afterPlay] : cases) EXPECT_EQ(isAfterPlaySetName(name), afterPlay) << name;
  // A counter of the same second is newer than the set without one; other sets drop out.
  EXPECT_EQ(afterPlaySetsNewestFirst({"2024-01-31_10-00-00_after-play", "2024-02-01_00-00-00",
                                      "2024-01-31_10-00-00_after-play-02", "2023-12-31_23-59-59_after-play",
                                      "2024-01-31_10-00-01_before-restore"}),
            (std::vector<std::string>{"2024-01-31_10-00-00_after-play-02", "2024-01-31_10-00-00_after-play",
                                      "2023-12-31_23-59-59_after-play"}));
}

TEST(BackupNames, ManifestPaths) {
  struct Case {
    std::string path;
    bool accepted;
  };
  const Case cases[] = {
      {"memcards/Mcd001.ps2", true},
      {"memcards/mc0/BISLPM-65001/icon.sys", true},
      {"memcards/a/b/c/d", true},
      {"memcards/a/b/c/d/e", false},
      {"savedata/QXUS-40404/save-001.myrsave", true},
      {"savedata/QXUS-40404/import.marker", true},
      {"savedata/QXUS-40404/notes.txt", false},
      {"savedata/OTHER-00000/x.myrsave", false},
      {"savedata/QXUS-40404/a/save-001.myrsave", false},
      {"states/quick.state", true},
      {"states/a/quick.state", false},
      {"states/nul.state", false},
      {"memcards", false},
      {"other/x", false},
      {"../memcards/x", false},
      {"memcards/../x", false},
      {"memcards/./x", false},
      {"memcards//x", false},
      {"/memcards/x", false},
      {"memcards/x/", false},
      {"C:/memcards/x", false},
      {"memcards/C:x", false},
      {"memcards\\..\\x", false},
      {"memcards/x.", false},
      {"memcards/x ", false},
      {"memcards/con", false},
      {"memcards/a\tb", false},
      {"memcards/caf\xC3\xA9", true},
      {"memcards/caf\xE9", false},
      {"MEMCARDS/x", false},
      // A staged copy listed before its target would be restored in its place.
      {"memcards/Mcd001.ps2.import-tmp", false},
      {"memcards/Mcd001.ps2.tmp", false},
      {"savedata/QXUS-40404/save-001.json.tmp", false},
      {"memcards/x.tmp/Mcd001.ps2", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isManifestPath(c.path), c.accepted) << c.path;
  }
}

TEST(BackupNames, ManifestLines) {
  struct Case {
    std::string text;
    std::string error;
  };
  const std::string ok = kDigest + "  memcards/Mcd001.ps2";
  const Case cases[] = {
      {ok + "\n", "accepted"},
      {ok, "accepted"},
      {kDigest + " *memcards/Mcd001.ps2\n", "accepted"},
      {ok + "\r\n\r\n\n", "accepted"},
      {"\n\r\n" + ok + "\n", "accepted"},
      {"\n\n" + kDigest + " memcards/Mcd001.ps2\n", "manifest.sha256 line 3 is not a save file of this port"},
      {ok + "\n" + std::string(64, 'A') + "  memcards/x\n", "manifest.sha256 line 2 is not a save file of this port"},
      {ok + "\n" + kDigest + "  savedata/OTHER-00000/x.myrsave\n",
       "manifest.sha256 line 2 is not a save file of this port"},
      {kDigest.substr(1) + "  memcards/x\n", "manifest.sha256 line 1 is not a save file of this port"},
      {kDigest + "\tmemcards/x\n", "manifest.sha256 line 1 is not a save file of this port"},
      {kDigest + "  ", "manifest.sha256 line 1 is not a save file of this port"},
      {kDigest + "  \r", "manifest.sha256 line 1 is not a save file of this port"},
      {"x", "manifest.sha256 line 1 is not a save file of this port"},
      {ok + "\r\r\n", "manifest.sha256 line 1 is not a save file of this port"},
      // The checksum tools mark names holding a backslash or a line feed with a leading backslash.
      {"\\" + kDigest + "  memcards/a\\\\b\n", "manifest.sha256 line 1 is not a save file of this port"},
      {ok + "\n" + kDigest + "  memcards/MCD001.PS2\n", "manifest.sha256 line 2 lists a file of an earlier line again"},
      {"", "manifest.sha256 lists no files"},
      {"\n\r\n\n", "manifest.sha256 lists no files"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parseError(c.text), c.error) << c.text;
  }
}

TEST(BackupNames, ManifestsHoldAtMost4096FilesAndReadBackWhatWasWritten) {
  std::string text;
  std::vector<ManifestEntry> written;
  for (int i = 0; i < 4096; ++i) {
    written.push_back({"memcards/f" + std::to_string(i), kDigest});
    text += manifestLine(written.back().sha256, written.back().path);
  }
  const Result<std::vector<ManifestEntry>> read = parseManifest(text);
  ASSERT_TRUE(read) << read.error().message;
  EXPECT_EQ(*read, written);
  EXPECT_EQ(manifestLine(kDigest, "memcards/f0"), kDigest + "  memcards/f0\n");
  EXPECT_EQ(parseError(text + manifestLine(kDigest, "memcards/extra")), "manifest.sha256 lists too many files");
}

}  // namespace
}  // namespace myr::saves
