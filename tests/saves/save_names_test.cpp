#include "saves/save_names.h"

#include <gtest/gtest.h>

#include <string>

namespace myr::saves {
namespace {

struct NameCase {
  std::string name;
  bool accepted;
};

TEST(SaveNames, StateFileNames) {
  const NameCase cases[] = {
      {"quick.state", true},
      {"slot 1.state", true},
      {"a-b_c.d.state", true},
      {".state", false},
      {"x.state", true},
      {".x.state", false},
      {"x.State", false},
      {"caf\xC3\xA9.state", false},
      {"a/b.state", false},
      {"..\\x.state", false},
      {std::string(58, 'a') + ".state", true},
      {std::string(59, 'a') + ".state", false},
      {"nul.state", false},
      {"COM1.state", false},
      {"con.x.state", false},
      {"console.state", true},
      {"com10.state", true},
  };
  for (const NameCase& c : cases) {
    EXPECT_EQ(isStateFileName(c.name), c.accepted) << c.name;
  }
}

TEST(SaveNames, SaveDataFileNames) {
  const NameCase cases[] = {
      {"save-001.myrsave", true},  {"save-001.myrsave.bak", true},
      {"save-001.json", true},     {"save-001.png", true},
      {"save-001.png.bak", true},  {"system-card-a.parked", true},
      {"import.marker", true},     {"notes.txt", false},
      {"save-001.MYRSAVE", false}, {"a:b.json", false},
      {"nul.json", false},         {"import.marker.tmp", false},
  };
  for (const NameCase& c : cases) {
    EXPECT_EQ(isSaveDataFileName(c.name), c.accepted) << c.name;
  }
}

TEST(SaveNames, KeptAsideNames) {
  const NameCase cases[] = {
      {"system-card-x.parked", true},
      {"system-card-.parked", false},
      {"system-before-swap-x.parked", true},
      {"system-before-swap-.parked", false},
      {"system-card-a..b.parked", false},
      {"system-card-a b.parked", false},
      {"system-card-x.json", false},
      {"other-card-x.parked", false},
      {"system-card-" + std::string(61, 'x') + ".parked", true},
      {"system-card-" + std::string(62, 'x') + ".parked", false},
  };
  for (const NameCase& c : cases) {
    EXPECT_EQ(isKeptAsideName(c.name), c.accepted) << c.name;
  }
}

TEST(SaveNames, StatesJsonKeepsListOrder) {
  const std::vector<StateFile> states{{"b.state", 10, 2000}, {"a.state", 5000000000, 1000}};
  EXPECT_EQ(json::write(statesJson(states)),
            R"([{"name":"b.state","bytes":10,"modified":2000},{"name":"a.state","bytes":5000000000,"modified":1000}])");
  EXPECT_EQ(json::write(statesJson({})), "[]");
}

}  // namespace
}  // namespace myr::saves
