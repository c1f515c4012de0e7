// The save listing: every member in its order, from real files.

#include <gtest/gtest.h>
#include <windows.h>

#include "card_test_support.h"
#include "save_files_fixture.h"
#include "saves/backup_sets_win.h"
#include "saves/save_listing_win.h"
#include "support/temp_folder.h"

namespace myr::saves {
namespace {

using test::readFile;
using test::writeFile;

std::filesystem::path fixture(const char* name) { return std::filesystem::path(MYR_CARD_FIXTURES) / name; }

// The text of a value with every time set to 0, since file times differ from run to run.
std::string withoutTimes(json::Value value) {
  const auto clear = [](auto& self, json::Value& node) -> void {
    for (auto& [name, member] : node.members()) {
      if ((name == "modified" || name == "created") && member.isNumber()) member = 0;
      self(self, member);
    }
    for (json::Value& item : node.items()) self(self, item);
  };
  clear(clear, value);
  return json::write(value);
}

TEST(SaveListing, ListsEverySaveInItsOrder) {
  const myr::testing::TempFolder game;
  const std::filesystem::path saveData = game / L"savedata" / L"QXUS-40404";
  writeFile(game / L"memcards" / L"Mcd001.ps2", readFile(fixture("saves.ps2")));
  writeFile(game / L"memcards" / L"Mcd002.ps2", readFile(fixture("blank.ps2")));
  writeFile(game / L"memcards" / L"mc0" / L"BISLPM" / L"icon.sys", "abc");
  writeFile(game / L"memcards" / L"mc0" / L"data", "defg");
  writeFile(game / L"memcards" / L"mc1", "a file, not a folder card");
  writeFile(game / L"states" / L"quick.state", "state");
  writeFile(saveData / L"system.myrsave", std::string("MYRSAVE\0", 8) + std::string(56, 's'));
  writeFile(saveData / L"system-card-b.parked", "parked");
  writeFile(saveData / L"system-card-b.json",
            R"({"card":"Mcd001.ps2","card_entry_modified":"2024-01-02T03:04:05+09:00"})");
  writeFile(saveData / L"system-before-swap-20240101T000000Z.parked", "previous");
  writeFile(saveData / L"save-001.myrsave", "save one");
  writeFile(saveData / L"save-001.json",
            R"({"place":"Harbour","play_time_seconds":3600,"quil":25,"party":{"name":"x"}})");
  writeFile(saveData / L"save-001.png", "png");
  writeFile(saveData / L"save-abc.myrsave", "abc");
  writeFile(saveData / L"save-abc.png", "");
  writeFile(saveData / L"save-1.myrsave", "short name");
  writeFile(saveData / L"Save-002.myrsave", "capital");
  writeFile(saveData / L"notes.txt", "notes");
  ASSERT_TRUE(makeBackup(game.path(), "", test::brokenDownTime(2024, 1, 31, 10, 0, 0)));

  const json::Value listing = listSaves(game.path(), "card", "Close the game first.");
  std::vector<std::string> members;
  for (const auto& [name, value] : listing.members()) members.push_back(name);
  EXPECT_EQ(members,
            (std::vector<std::string>{"cards", "folders", "states", "backups", "format", "savedata", "locked"}));

  const json::Value& cards = listing.get("cards");
  ASSERT_EQ(cards.items().size(), 2u);
  EXPECT_TRUE(
      withoutTimes(cards.items()[0])
          .starts_with(R"({"slot":1,"file":"Mcd001.ps2","exists":true,"bytes":8650752,"modified":0,"formatted":true,)"
                       R"("blank":false,"error":"","free":8300544,"capacity":8330240,"saves":[{"folder":)"))
      << withoutTimes(cards.items()[0]);
  EXPECT_EQ(cards.items()[0].get("saves").items().size(), 7u);
  EXPECT_EQ(
      withoutTimes(cards.items()[0].get("saves").items()[2]),
      R"({"folder":"BISLPM-65001MYR02","title":"ABCxyz","subtitle":"","modified":"2200-12-31T23:59:59+09:00","bytes":964})");
  EXPECT_EQ(
      withoutTimes(cards.items()[1]),
      R"({"slot":2,"file":"Mcd002.ps2","exists":true,"bytes":8650752,"modified":0,"formatted":false,"blank":true,"error":"","free":0,"capacity":0,"saves":[]})");
  EXPECT_EQ(json::write(listing.get("folders")), R"([{"name":"mc0","files":2,"bytes":7}])");
  EXPECT_EQ(withoutTimes(listing.get("states")), R"([{"name":"quick.state","bytes":5,"modified":0}])");
  EXPECT_EQ(listing.get("backups").items().size(), 1u);
  EXPECT_EQ(listing.get("format").asString(), "card");
  EXPECT_EQ(listing.get("locked").asString(), "Close the game first.");
  EXPECT_EQ(
      withoutTimes(listing.get("savedata")),
      R"({"exists":true,"folder":"savedata\\QXUS-40404","system":{"exists":true,"bytes":64,"modified":0},)"
      R"("parked":[{"file":"system-before-swap-20240101T000000Z.parked","bytes":8,"modified":0,"kind":"previous"},)"
      R"({"file":"system-card-b.parked","bytes":6,"modified":0,"kind":"card","card":"Mcd001.ps2","cardModified":"2024-01-02T03:04:05+09:00"}],)"
      R"("saves":[{"slot":1,"file":"save-001.myrsave","bytes":8,"modified":0,"thumb":true,"place":"Harbour","playTime":3600,"quil":25,"party":[]},)"
      R"({"slot":0,"file":"save-abc.myrsave","bytes":3,"modified":0,"thumb":false}],"files":12,"bytes":260})");
}

TEST(SaveListing, AGameFolderWithoutSavesListsEmptyPlaces) {
  const myr::testing::TempFolder game;
  EXPECT_EQ(
      withoutTimes(listSaves(game.path(), "myrsave", "")),
      R"({"cards":[{"slot":1,"file":"Mcd001.ps2","exists":false},{"slot":2,"file":"Mcd002.ps2","exists":false}],)"
      R"("folders":[],"states":[],"backups":[],"format":"myrsave","savedata":{"exists":false,)"
      R"("folder":"savedata\\QXUS-40404","system":{"exists":false,"bytes":0,"modified":0},"parked":[],"saves":[],)"
      R"("files":0,"bytes":0},"locked":""})");
}

}  // namespace
}  // namespace myr::saves
