#pragma once

// A card with no room left: a hundred saves with long cluster chains and Shift-JIS titles.

#include <string>
#include <vector>

#include "../tests/saves/card_test_support.h"

namespace myr::bench {

inline saves::test::TestCard fullCard() {
  const std::string title = "\x83\x7E\x83\x8D\x81\x5B\x83\x45\x83\x46\x83\x93\x82\x72\x82\x60\x82\x75\x82\x64";
  std::vector<saves::test::TestSave> saves;
  for (int i = 0; i < 100; ++i) {
    saves.push_back({"BISLPM-65001MYR" + std::to_string(i),
                     {{"icon.sys", saves::test::iconSys(title, 12)}, {"MYR", std::string(75 * 1024, 'x')}, {"A", "small"}},
                     {2024, 3, 15, 21, 4, 5}});
  }
  return saves::test::TestCard(saves);
}

}  // namespace myr::bench
