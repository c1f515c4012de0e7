#include "saves/save_files_win.h"

#include <windows.h>

#include "foundation/files/win_handle.h"
#include "foundation/files/win_text.h"

namespace myr::saves {
namespace {

bool isLink(const WIN32_FIND_DATAW& entry) {
  if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
  return entry.dwReserved0 == 0 || IsReparseTagNameSurrogate(entry.dwReserved0);
}

}  // namespace

FolderListing listFolder(const std::filesystem::path& folder) {
  FolderListing listing;
  WIN32_FIND_DATAW found{};
  const FindHandle search(FindFirstFileExW((folder / L"*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                           nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!search) {
    listing.error = GetLastError();
    return listing;
  }
  do {
    const std::wstring_view name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    FolderEntry entry;
    entry.name = name;
    entry.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.isLink = isLink(found);
    entry.size = (std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
    listing.entries.push_back(std::move(entry));
  } while (FindNextFileW(search.get(), &found));
  if (const DWORD code = GetLastError(); code != ERROR_NO_MORE_FILES) listing.error = code;
  return listing;
}

void removeTree(const std::filesystem::path& folder) {
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

}  // namespace myr::saves
