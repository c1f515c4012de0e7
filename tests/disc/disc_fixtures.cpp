#include "disc/disc_fixtures.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>

namespace myr::disc::testing {

std::filesystem::path fixturePath(const std::string& name) { return std::filesystem::path(MYR_DISC_FIXTURES) / name; }

std::string readWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

DigestList::DigestList(std::string text) : text_(std::move(text)) {
  std::string_view rest = text_;
  while (!rest.empty()) {
    const std::string_view line = rest.substr(0, rest.find('\n'));
    rest.remove_prefix(std::min(rest.size(), line.size() + 1));
    if (line.size() < 43 || line.substr(40, 2) != "  ") throw std::runtime_error("not a digest list line");
    rows_.push_back(GameFile{line.substr(42), line.substr(0, 40)});
  }
}

}  // namespace myr::disc::testing
