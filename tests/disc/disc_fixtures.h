#pragma once

// The images that tests/disc/make_fixtures.py wrote with xorriso, and digest lists in sha1sum
// format as tables of game files.

#include <filesystem>
#include <string>
#include <vector>

#include "disc/game_files.h"

namespace myr::disc::testing {

std::filesystem::path fixturePath(const std::string& name);
std::string readWholeFile(const std::filesystem::path& path);

// A table read from a digest list; rows point into the list's own text.
class DigestList {
 public:
  explicit DigestList(std::string text);
  DigestList(const DigestList&) = delete;
  DigestList& operator=(const DigestList&) = delete;

  static DigestList fromFile(const std::filesystem::path& path) { return DigestList(readWholeFile(path)); }
  std::vector<GameFile>& rows() { return rows_; }

 private:
  std::string text_;
  std::vector<GameFile> rows_;
};

}  // namespace myr::disc::testing
