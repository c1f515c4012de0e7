#include "save_files_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "foundation/files/win_text.h"
#include "support/temp_folder.h"
#include "support/wine_host_win.h"

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

std::optional<HostRun> runOnHost(const std::filesystem::path& folder, const std::string& command) {
  const myr::testing::TempFolder results;
  const std::optional<std::string> out = myr::testing::hostPathOf(results.path());
  const std::optional<std::string> where = myr::testing::hostPathOf(folder);
  if (!out || !where) return std::nullopt;
  // The shell leaves the status in a file, renamed into place once complete.
  const std::string script = "cd '" + *where + "' && { " + command + "; } >'" + *out + "/output' 2>&1; echo $? >'" +
                             *out + "/status.tmp'; mv '" + *out + "/status.tmp' '" + *out + "/status'";
  const auto finished = [&] { return std::filesystem::exists(results / L"status"); };
  if (!myr::testing::runOnWineHost("Z:\\bin\\sh -c \"" + script + "\"", finished, std::chrono::seconds(20))) {
    return std::nullopt;
  }
  return HostRun{std::stoi(readFile(results / L"status")), readFile(results / L"output")};
}

}  // namespace myr::saves::test
