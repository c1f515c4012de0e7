#include "saves/save_data.h"

#include <gtest/gtest.h>

#include <cmath>

#include "card_test_support.h"

namespace myr::saves {
namespace {

TEST(SaveData, ListedSavesAndTheirSlots) {
  struct Case {
    std::string name;
    bool listed;
    int slot;
  };
  const Case cases[] = {
      {"save-001.myrsave", true, 1},  {"save-999.myrsave", true, 999}, {"save-abc.myrsave", true, 0},
      {"save- 12.myrsave", true, 12}, {"save--05.myrsave", true, -5},  {"save-+7x.myrsave", true, 7},
      {"save-1.myrsave", false, 0},   {"Save-001.myrsave", false, 0},  {"save-0001.myrsave", false, 0},
      {"save-001.myrsav_", false, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isListedSaveName(c.name), c.listed) << c.name;
    if (c.listed) {
      EXPECT_EQ(saveSlotNumber(c.name), c.slot) << c.name;
    }
  }
  EXPECT_EQ(saveSidecarName("save-001.myrsave"), "save-001.json");
  EXPECT_EQ(keptAsideSidecarName("system-card-x.parked"), "system-card-x.json");
}

std::string withSidecar(std::string_view text) {
  json::Value save;
  save.set("slot", 1);
  addSaveSidecarMembers(save, text);
  return json::write(save);
}

TEST(SaveData, SaveSidecars) {
  struct Case {
    std::string sidecar;
    std::string save;
  };
  const Case cases[] = {
      {R"({"party":[{"name":"Ayla","level":12},{"level":"x"},3],"quil":250,"place":"Harbour","play_time_seconds":3600.5})",
       R"({"slot":1,"place":"Harbour","playTime":3600.5,"quil":250,"party":[{"name":"Ayla","level":12},{"name":"","level":0},{"name":"","level":0}]})"},
      {R"({"place":7,"quil":"many","party":{"name":"Ayla"}})",
       R"({"slot":1,"place":"","playTime":-1,"quil":-1,"party":[]})"},
      {"{}", R"({"slot":1,"place":"","playTime":-1,"quil":-1,"party":[]})"},
      {R"({"place":"Harbour"} trailing)", R"({"slot":1})"},
      {R"(["place"])", R"({"slot":1})"},
      {"", R"({"slot":1})"},
      {"{\"place\":\"\xFF\"", R"({"slot":1})"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(withSidecar(c.sidecar), c.save) << c.sidecar;
  }
}

TEST(SaveData, KeptAsideSidecars) {
  const auto withSidecar = [](std::string_view text) {
    json::Value kept;
    kept.set("file", "system-card-a.parked");
    addKeptAsideSidecarMembers(kept, text);
    return json::write(kept);
  };
  EXPECT_EQ(withSidecar(R"({"card":"Mcd001.ps2","card_entry_modified":"2024-01-01T00:00:00+09:00","x":1})"),
            R"({"file":"system-card-a.parked","card":"Mcd001.ps2","cardModified":"2024-01-01T00:00:00+09:00"})");
  EXPECT_EQ(withSidecar(R"({"card":1})"), R"({"file":"system-card-a.parked","card":"","cardModified":""})");
  EXPECT_EQ(withSidecar("null"), R"({"file":"system-card-a.parked"})");
}

TEST(SaveData, SaveFormatChoice) {
  EXPECT_EQ(saveFormatFrom("card", "myrsave"), "card");
  EXPECT_EQ(saveFormatFrom("anything", "myrsave"), "card");
  EXPECT_EQ(saveFormatFrom("myrsave", "card"), "myrsave");
  EXPECT_EQ(saveFormatFrom("", "card"), "card");
  EXPECT_EQ(saveFormatFrom("", "Card"), "myrsave");
  EXPECT_EQ(saveFormatFrom("", ""), "myrsave");
}

TEST(SaveData, SystemSaveHeaderAndParkedNames) {
  const std::string header("MYRSAVE\0", 8);
  EXPECT_TRUE(hasSystemSaveHeader(header + std::string(56, 'x')));
  EXPECT_FALSE(hasSystemSaveHeader(header + std::string(55, 'x')));
  EXPECT_FALSE(hasSystemSaveHeader("MYRSAVE1" + std::string(56, 'x')));
  EXPECT_FALSE(hasSystemSaveHeader(std::string(64, '\0')));

  const std::tm time = test::brokenDownTime(2024, 1, 31, 23, 59, 59);
  EXPECT_EQ(parkedSystemSaveName(time, 1), "system-before-swap-20240131T235959Z.parked");
  EXPECT_EQ(parkedSystemSaveName(time, 2), "system-before-swap-20240131T235959Z-2.parked");
  EXPECT_EQ(parkedSystemSaveName(time, 99), "system-before-swap-20240131T235959Z-99.parked");
}

TEST(SaveData, ThumbnailSlotsAndPictures) {
  struct Case {
    json::Value slot;
    std::optional<int> accepted;
  };
  const Case cases[] = {
      {0, 0},
      {7, 7},
      {999, 999},
      {1000, std::nullopt},
      {-1, std::nullopt},
      {2.5, std::nullopt},
      {"1", std::nullopt},
      {json::Value(), std::nullopt},
      {true, std::nullopt},
      {std::nan(""), std::nullopt},
      {-0.0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(thumbnailSlot(c.slot), c.accepted) << json::write(c.slot);
  }
  EXPECT_EQ(thumbnailFileName(0), "save-000.png");
  EXPECT_EQ(thumbnailFileName(7), "save-007.png");
  EXPECT_EQ(thumbnailFileName(999), "save-999.png");

  const std::string png = "\x89PNG\r\n\x1A\n" + std::string(56, 'p');
  const std::string encoded = json::write(thumbnailJson(png));
  EXPECT_EQ(encoded.size(), std::string(R"({"png":""})").size() + 88);
  EXPECT_TRUE(encoded.ends_with("==\"}")) << encoded;
  EXPECT_EQ(json::write(thumbnailJson(png.substr(0, 63))), "{}");
  EXPECT_EQ(json::write(thumbnailJson("\xFF\xD8\xFF\xE0" + std::string(60, 'j'))), "{}");
  EXPECT_EQ(json::write(thumbnailJson(std::nullopt)), "{}");
}

}  // namespace
}  // namespace myr::saves
