#pragma once

// Files of a game folder for the tests of the save operations on Windows.

#include <windows.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace myr::saves::test {

void writeFile(const std::filesystem::path& path, std::string_view bytes);
std::string readFile(const std::filesystem::path& path);

// Every regular file below folder by its relative path with "/", with its content.
std::map<std::string, std::string> treeContents(const std::filesystem::path& folder);

// The game's save folders (memcards, savedata, states) as treeContents sees them.
std::map<std::string, std::string> saveContents(const std::filesystem::path& gameFolder);

// A program of the Linux host when the tests run under Wine (Z: is the host's root).
std::optional<std::filesystem::path> hostProgram(std::string_view unixPath);
// Runs a shell command on the Linux host in folder (a path on Z:); its exit code and output.
struct HostRun {
  DWORD exitCode = 0;
  std::string output;
};
std::optional<HostRun> runOnHost(const std::filesystem::path& folder, const std::string& command);

// A folder on the host's /tmp, where host programs can reach it; removed when the owner goes.
class HostFolder {
 public:
  HostFolder();
  ~HostFolder();
  HostFolder(const HostFolder&) = delete;
  HostFolder& operator=(const HostFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace myr::saves::test
