#pragma once

#include <filesystem>

namespace myr::testing {

// A link from one folder to another for the time of a test: a junction where
// the system has them; under Wine, which has none, a symbolic link of the
// host file system, which Wine shows as a reparse point.
class FolderLink {
 public:
  FolderLink(std::filesystem::path link, const std::filesystem::path& target);
  FolderLink(const FolderLink&) = delete;
  FolderLink& operator=(const FolderLink&) = delete;
  ~FolderLink();

  bool made() const { return kind_ != Kind::None; }

 private:
  enum class Kind { None, Junction, HostLink };
  std::filesystem::path link_;
  Kind kind_ = Kind::None;
};

}  // namespace myr::testing
