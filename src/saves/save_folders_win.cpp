#include "saves/save_folders.h"

#include <windows.h>

#include <algorithm>

#include "foundation/files/file_helpers.h"
#include "foundation/files/win_handle.h"
#include "foundation/files/win_text.h"

namespace myr::saves {

std::filesystem::path saveDataFolder(const std::filesystem::path& base) { return base / L"savedata" / L"QXUS-40404"; }

std::vector<StateFile> listStates(const std::filesystem::path& gameFolder) {
  const std::filesystem::path folder = gameFolder / L"states";
  std::vector<StateFile> states;
  WIN32_FIND_DATAW entry{};
  const FindHandle search(
      FindFirstFileExW((folder / L"*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0));
  if (!search) {
    return states;
  }
  do {
    std::string name = toUtf8(entry.cFileName);
    if (!isStateFileName(name)) {
      continue;
    }
    const FileStatus status = fileStatus(folder / entry.cFileName);
    if (status.exists && !status.isDirectory) {
      states.push_back(StateFile{std::move(name), status.size, status.modifiedMs});
    }
  } while (FindNextFileW(search.get(), &entry));
  std::sort(states.begin(), states.end(),
            [](const StateFile& a, const StateFile& b) { return a.modifiedMs > b.modifiedMs; });
  return states;
}

}  // namespace myr::saves
