#include "support/temp_folder.h"

#include <random>
#include <string>
#include <system_error>

namespace myr::testing {

TempFolder::TempFolder() {
  static std::mt19937_64 names{std::random_device{}()};
  const auto base = std::filesystem::temp_directory_path() / "myr-tests";
  for (;;) {
    path_ = base / std::to_string(names());
    if (std::filesystem::create_directories(path_)) {
      return;
    }
  }
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace myr::testing
