#pragma once

// The pictures tim2_fixtures.py writes before the art tests run.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace myr::art::test {

inline std::filesystem::path fixturePath(const std::filesystem::path& relative) {
  return std::filesystem::path(MYR_ART_FIXTURES) / relative;
}

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
  std::ifstream stream(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

inline std::vector<std::uint8_t> fixture(const std::filesystem::path& relative) {
  return readBytes(fixturePath(relative));
}

// The pictures of one fixture folder, by name.
inline std::vector<std::filesystem::path> picturesIn(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> pictures;
  for (const auto& entry : std::filesystem::directory_iterator(fixturePath(folder))) {
    if (entry.path().extension() == ".tm2") {
      pictures.push_back(entry.path());
    }
  }
  return pictures;
}

}  // namespace myr::art::test
