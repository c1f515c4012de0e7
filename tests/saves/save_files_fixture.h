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

// Runs a shell command on the Linux host when the tests run under Wine, in folder; its exit code
// and output, or nothing without a host (on Windows) or when it did not end in time.
struct HostRun {
  int exitCode = 0;
  std::string output;
};
std::optional<HostRun> runOnHost(const std::filesystem::path& folder, const std::string& command);

}  // namespace myr::saves::test
