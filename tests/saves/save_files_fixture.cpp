#include "save_files_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "foundation/files/win_text.h"
#include "support/launcher_process.h"

namespace myr::saves::test {

void writeFile(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(file.good()) << path;
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

std::map<std::string, std::string> treeContents(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) return files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::string relative = toUtf8(std::filesystem::relative(entry.path(), folder).native());
    std::replace(relative.begin(), relative.end(), '\\', '/');
    files[relative] = readFile(entry.path());
  }
  return files;
}

std::map<std::string, std::string> saveContents(const std::filesystem::path& gameFolder) {
  std::map<std::string, std::string> files;
  for (const char* folder : {"memcards", "savedata", "states"}) {
    for (auto& [path, bytes] : treeContents(gameFolder / folder)) files[std::string(folder) + "/" + path] = bytes;
  }
  return files;
}

std::optional<std::filesystem::path> hostProgram(std::string_view unixPath) {
  std::filesystem::path path = L"Z:" + toWide(unixPath);
  path.make_preferred();
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  return path;
}

std::optional<HostRun> runOnHost(const std::filesystem::path& folder, const std::string& command) {
  const std::optional<std::filesystem::path> shell = hostProgram("/bin/sh");
  if (!shell) return std::nullopt;
  std::string unixFolder = toUtf8(folder.native()).substr(2);  // without "Z:"
  std::replace(unixFolder.begin(), unixFolder.end(), '\\', '/');
  myr::testing::LauncherProcess process(*shell, {},
                                        L"-c \"cd '" + toWide(unixFolder) + L"' && " + toWide(command) + L" 2>&1\"");
  HostRun run;
  while (const std::optional<std::string> line = process.readLine()) run.output += *line + "\n";
  const std::optional<DWORD> code = process.waitForExit();
  if (!code) return std::nullopt;
  run.exitCode = *code;
  return run;
}

HostFolder::HostFolder() {
  static int counter = 0;
  path_ = std::filesystem::path(L"Z:\\tmp") /
          (L"myr-saves-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

HostFolder::~HostFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace myr::saves::test
