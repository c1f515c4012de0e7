#pragma once

#include <filesystem>

namespace myr::testing {

// A new empty folder under the system's temporary folder, removed with everything in it when the
// owner goes. Names never repeat within a run, so tests of one program can each have their own.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& child) const { return path_ / child; }

 private:
  std::filesystem::path path_;
};

}  // namespace myr::testing
