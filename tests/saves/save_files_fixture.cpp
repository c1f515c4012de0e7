#include "save_files_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "foundation/files/win_text.h"
#include "support/temp_folder.h"

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

namespace {

using UnixNameFunction = char*(__cdecl*)(const wchar_t*);

// Present only under Wine.
UnixNameFunction wineUnixFileName() {
  return reinterpret_cast<UnixNameFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
}

std::string unixName(UnixNameFunction convert, const std::filesystem::path& path) {
  char* name = convert(path.c_str());
  const std::string text = name != nullptr ? name : "";
  HeapFree(GetProcessHeap(), 0, name);
  return text;
}

}  // namespace

std::optional<HostRun> runOnHost(const std::filesystem::path& folder, const std::string& command) {
  const UnixNameFunction convert = wineUnixFileName();
  if (convert == nullptr) return std::nullopt;
  const myr::testing::TempFolder results;
  const std::string out = unixName(convert, results.path());
  // Wine gives no waitable handle for a host program: the shell leaves its status in a file.
  const std::string script = "cd '" + unixName(convert, folder) + "' && { " + command + "; } >'" + out +
                             "/output' 2>&1; echo $? >'" + out + "/status.tmp'; mv '" + out + "/status.tmp' '" + out +
                             "/status'";
  std::wstring commandLine = L"Z:\\bin\\sh -c \"" + toWide(script) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return std::nullopt;
  }
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  for (int attempt = 0; attempt < 1000 && !std::filesystem::exists(results / L"status"); ++attempt) Sleep(20);
  if (!std::filesystem::exists(results / L"status")) return std::nullopt;
  return HostRun{std::stoi(readFile(results / L"status")), readFile(results / L"output")};
}

}  // namespace myr::saves::test
