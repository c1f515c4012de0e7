#include "maintenance/shader_cache_win.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/environment_win.h"
#include "foundation/files/file_helpers.h"
#include "foundation/files/win_handle.h"
#include "foundation/files/win_text.h"
#include "foundation/pause_points.h"

namespace fs = std::filesystem;

namespace myr::maintenance {
namespace {

struct FolderEntry {
  fs::path path;
  bool folder = false;
  bool link = false;  // a reparse point: removed itself, never followed
  std::uint64_t fileSize = 0;
};

// The direct entries of a folder; none when it is missing or cannot be read.
std::vector<FolderEntry> listEntries(const fs::path& folder) {
  std::vector<FolderEntry> entries;
  WIN32_FIND_DATAW found{};
  const FindHandle search(FindFirstFileExW((folder / L"*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                           nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!search) return entries;
  do {
    const std::wstring_view name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    entries.push_back({folder / found.cFileName, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                       (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0,
                       (std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow});
  } while (FindNextFileW(search.get(), &found));
  return entries;
}

std::uint64_t entrySize(const FolderEntry& entry) {
  if (!entry.folder) return entry.fileSize;
  return entry.link ? 0 : folderTreeSize(entry.path);
}

// True when the entry is gone with everything inside it. Removal goes on after a failure, so
// one locked file keeps only itself and its folders. Gone is checked, not taken on the system's
// word: Wine reports a deletion on a read-only file system as done.
bool removeEntry(const FolderEntry& entry) {
  if (!entry.folder) return deleteFile(entry.path).ok();
  if (!entry.link) {
    for (const FolderEntry& child : listEntries(entry.path)) removeEntry(child);
  }
  // Fails while anything inside is left.
  return RemoveDirectoryW(entry.path.c_str()) && isMissingPath(entry.path);
}

}  // namespace

fs::path dataFolder(const fs::path& gameFolder) {
  std::wstring configured = getEnvWide(L"ZEVR_DATA_DIR");
  return configured.empty() ? gameFolder : fs::path(std::move(configured));
}

fs::path shaderCacheFolder(const fs::path& dataFolder) {
  const fs::path current = dataFolder / L"shadercache";
  const fs::path older = dataFolder / L"shadercache_pcsx2";
  // Anything of the current name, even what cannot be queried, wins over the older folder.
  if (!isMissingPath(current) || !fileStatus(older).isDirectory) return current;
  return moveFileDurable(older, current, false) ? current : older;
}

json::Value cacheInfo(const fs::path& dataFolder) {
  // One lookup, so that the numbers and the path describe the same folder.
  const fs::path folder = shaderCacheFolder(dataFolder);
  std::uint64_t files = 0;
  const std::uint64_t bytes = folderTreeSize(folder, &files);
  json::Value info = json::Value::object();
  info.set("bytes", static_cast<double>(bytes));
  info.set("files", static_cast<double>(files));
  info.set("path", toUtf8(folder.native()));
  return info;
}

Result<json::Value> clearCache(const fs::path& dataFolder) {
  std::uint64_t freed = 0;
  int failed = 0;
  for (const FolderEntry& entry : listEntries(shaderCacheFolder(dataFolder))) {
    const std::uint64_t size = entrySize(entry);
    if (removeEntry(entry)) {
      freed += size;
      reachPausePoint("cache:deleted");
    } else {
      ++failed;
    }
  }
  if (failed > 0) return Error{std::to_string(failed) + " files in the shader cache could not be deleted."};
  json::Value result = json::Value::object();
  result.set("freed", static_cast<double>(freed));
  return result;
}

}  // namespace myr::maintenance
