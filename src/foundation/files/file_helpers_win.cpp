#include "foundation/files/file_helpers.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "foundation/files/file_names.h"
#include "foundation/files/held_file_win.h"
#include "foundation/pause_points.h"
#include "foundation/files/win_handle.h"
#include "foundation/files/win_text.h"

namespace fs = std::filesystem;

namespace myr {
namespace {

// A DWORD count cannot describe 4 GiB or more, and very large single requests
// fail on some network file systems, so big files move in pieces of this size.
constexpr std::uint64_t kMaxIoChunk = std::uint64_t{64} << 20;

DWORD nextChunk(std::uint64_t remaining) { return static_cast<DWORD>(std::min(remaining, kMaxIoChunk)); }

// ERROR_SUCCESS, or why the bytes could not all be read.
DWORD readExactly(HANDLE file, char* data, std::uint64_t size) {
  while (size > 0) {
    const DWORD wanted = nextChunk(size);
    DWORD got = 0;
    if (!ReadFile(file, data, wanted, &got, nullptr)) return GetLastError();
    // The file became shorter after its size was taken.
    if (got != wanted) return ERROR_HANDLE_EOF;
    data += got;
    size -= got;
  }
  return ERROR_SUCCESS;
}

// ERROR_SUCCESS, or why the bytes could not all be written.
DWORD writeAll(HANDLE file, std::string_view bytes) {
  const char* data = bytes.data();
  std::uint64_t size = bytes.size();
  while (size > 0) {
    const DWORD wanted = nextChunk(size);
    DWORD written = 0;
    if (!WriteFile(file, data, wanted, &written, nullptr)) return writeFailureCode(GetLastError());
    if (written != wanted) return writeFailureCode(ERROR_SUCCESS);
    data += written;
    size -= written;
  }
  return ERROR_SUCCESS;
}

std::int64_t unixMilliseconds(FILETIME time) {
  constexpr std::int64_t kTicksFrom1601To1970 = 116444736000000000;
  const std::int64_t ticks = static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
  return (ticks - kTicksFrom1601To1970) / 10000;
}

std::optional<fs::path> fullPathName(const fs::path& path) {
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return std::nullopt;
  std::wstring buffer(needed, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), needed, buffer.data(), nullptr);
  if (length == 0 || length >= needed) return std::nullopt;
  buffer.resize(length);
  fs::path full(std::move(buffer));
  // "C:\a\" and "C:\a" must compare equal.
  if (!full.has_filename() && full.has_relative_path()) full = full.parent_path();
  return full;
}

std::optional<fs::path> finalPathName(HANDLE handle) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return std::nullopt;
    if (length < buffer.size()) {
      buffer.resize(length);
      return fs::path(std::move(buffer));
    }
    buffer.resize(length);  // too small: length is the size needed
  }
}

WinHandle openForQuery(const fs::path& path) {
  return WinHandle(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// Absolute and normalised, with links resolved as far as the path exists and
// the missing rest appended lexically.
std::optional<fs::path> resolvedPath(const fs::path& path) {
  std::optional<fs::path> existing = fullPathName(path);
  if (!existing) return std::nullopt;
  std::vector<fs::path> missingParts;
  for (;;) {
    const WinHandle handle = openForQuery(*existing);
    if (handle) {
      std::optional<fs::path> resolved = finalPathName(handle.get());
      if (!resolved) return std::nullopt;
      for (auto it = missingParts.rbegin(); it != missingParts.rend(); ++it) *resolved /= *it;
      return resolved;
    }
    const DWORD code = GetLastError();
    if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) return std::nullopt;
    if (!existing->has_relative_path()) return std::nullopt;
    missingParts.push_back(existing->filename());
    *existing = existing->parent_path();
  }
}

bool isDotEntry(const wchar_t* name) { return std::wstring_view(name) == L"." || std::wstring_view(name) == L".."; }

// Name surrogates (symbolic links, junctions) stand for another place; a
// reparse point without a reported tag is taken for one too rather than risk
// walking out of the tree.
bool isLink(const WIN32_FIND_DATAW& entry) {
  if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
  return entry.dwReserved0 == 0 || IsReparseTagNameSurrogate(entry.dwReserved0);
}

struct TreeTotals {
  std::uint64_t bytes = 0;
  std::uint64_t files = 0;
};

// Adds the regular files of one folder and queues its subfolders. A folder that cannot be read,
// whatever the reason (no access, or gone since its parent was listed while the game writes),
// adds nothing, and the rest of the walk goes on.
void addFolderEntries(const fs::path& folder, TreeTotals& totals, std::vector<fs::path>& pending) {
  WIN32_FIND_DATAW entry{};
  const FindHandle search(FindFirstFileExW((folder / L"*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                           nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!search) return;
  do {
    if (isDotEntry(entry.cFileName) || isLink(entry)) continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      pending.push_back(folder / entry.cFileName);
    } else {
      totals.bytes += (std::uint64_t{entry.nFileSizeHigh} << 32) | entry.nFileSizeLow;
      ++totals.files;
    }
  } while (FindNextFileW(search.get(), &entry));
}

}  // namespace

FileStatus fileStatus(const fs::path& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return {};
  FileStatus status;
  status.exists = true;
  status.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (!status.isDirectory) {
    status.size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  }
  status.modifiedMs = unixMilliseconds(data.ftLastWriteTime);
  return status;
}

bool isMissingPath(const fs::path& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  const DWORD code = GetLastError();
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

std::string fileTooLargeError(const fs::path& path, std::uint64_t limit) {
  return toUtf8(path.native()) + ": larger than " + std::to_string(limit) + " bytes";
}

Error pathFailure(const fs::path& path, unsigned long code) { return Error{pathError(path, code), code}; }

unsigned long writeFailureCode(unsigned long code) {
  // A write that stops short without an error is how a full disk shows on Windows; Wine says
  // ERROR_HANDLE_DISK_FULL for some of them.
  if (code == ERROR_SUCCESS || code == ERROR_HANDLE_DISK_FULL) return ERROR_DISK_FULL;
  return code;
}

Status createFolderChain(const fs::path& folder) {
  std::vector<fs::path> missing;
  for (fs::path current = folder; current.has_relative_path(); current = current.parent_path()) {
    if (CreateDirectoryW(current.c_str(), nullptr)) break;
    const DWORD code = GetLastError();
    if (code == ERROR_ALREADY_EXISTS) break;
    if (code != ERROR_PATH_NOT_FOUND) return pathFailure(current, code);
    missing.push_back(current);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!CreateDirectoryW(it->c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      return pathFailure(*it, GetLastError());
    }
  }
  return {};
}

namespace {

// The game or the launcher's log may hold the file open for writing while it is read.
WinHandle openForReading(const fs::path& path) {
  return WinHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

Result<std::string> readBytes(const fs::path& path, HANDLE file, std::uint64_t count) {
  std::string bytes(static_cast<std::size_t>(count), '\0');
  if (const DWORD code = readExactly(file, bytes.data(), bytes.size()); code != ERROR_SUCCESS) {
    return pathFailure(path, code);
  }
  return bytes;
}

}  // namespace

Result<std::string> readFileLimited(const fs::path& path, std::uint64_t limit) {
  const WinHandle file = openForReading(path);
  if (!file) return pathFailure(path, GetLastError());
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return pathFailure(path, GetLastError());
  if (static_cast<std::uint64_t>(size.QuadPart) > limit) return Error{fileTooLargeError(path, limit)};
  return readBytes(path, file.get(), static_cast<std::uint64_t>(size.QuadPart));
}

Result<std::string> readFileTail(const fs::path& path, std::uint64_t limit) {
  const WinHandle file = openForReading(path);
  if (!file) return pathFailure(path, GetLastError());
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return pathFailure(path, GetLastError());
  const std::uint64_t count = std::min(static_cast<std::uint64_t>(size.QuadPart), limit);
  LARGE_INTEGER start{};
  start.QuadPart = size.QuadPart - static_cast<LONGLONG>(count);
  if (!SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN)) return pathFailure(path, GetLastError());
  return readBytes(path, file.get(), count);
}

Status writeFileAtomic(const fs::path& target, std::string_view bytes) {
  if (Status folders = createFolderChain(target.parent_path()); !folders) return folders;
  const fs::path temporary(target.native() + L".tmp");
  WinHandle file(
      CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return pathFailure(temporary, GetLastError());
  DWORD code = writeAll(file.get(), bytes);
  if (code == ERROR_SUCCESS && !FlushFileBuffers(file.get())) code = writeFailureCode(GetLastError());
  file.reset();
  if (code != ERROR_SUCCESS) {
    DeleteFileW(temporary.c_str());
    return pathFailure(temporary, code);
  }
  reachPausePoint("write:" + toUtf8(target.filename().native()));
  if (const Status moved = moveFileDurable(temporary, target, true); !moved) {
    DeleteFileW(temporary.c_str());
    return pathFailure(target, moved.error().systemCode);
  }
  return {};
}

Status appendToFile(const fs::path& path, std::string_view bytes) {
  if (Status folders = createFolderChain(path.parent_path()); !folders) return folders;
  WinHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return pathFailure(path, GetLastError());
  DWORD code = writeAll(file.get(), bytes);
  if (code == ERROR_SUCCESS && !FlushFileBuffers(file.get())) code = writeFailureCode(GetLastError());
  if (code != ERROR_SUCCESS) return pathFailure(path, code);
  return {};
}

namespace {

// FileRenameInfoEx (Windows 10 1607); mingw-w64's headers declare it only for a newer target.
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);

// Replaces target by the open file with POSIX semantics: allowed while others hold target open
// with delete sharing, as a HeldFile does.
bool renameOverOpenFile(HANDLE file, const fs::path& target) {
  const std::wstring& name = target.native();
  const DWORD nameBytes = static_cast<DWORD>(name.size() * sizeof(wchar_t));
  std::vector<std::byte> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
  info->RootDirectory = nullptr;
  info->FileNameLength = nameBytes;
  std::copy(name.begin(), name.end(), info->FileName);
  return SetFileInformationByHandle(file, kFileRenameInfoEx, info, static_cast<DWORD>(buffer.size())) &&
         FlushFileBuffers(file);
}

}  // namespace

Result<HeldFile> HeldFile::open(const fs::path& path) {
  WinHandle handle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) return pathFailure(path, GetLastError());
  return HeldFile(path, std::move(handle));
}

Status HeldFile::replace(std::string_view bytes) {
  const fs::path temporary(path_.native() + L".tmp");
  WinHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return pathFailure(temporary, GetLastError());
  DWORD code = writeAll(file.get(), bytes);
  if (code == ERROR_SUCCESS && !FlushFileBuffers(file.get())) code = writeFailureCode(GetLastError());
  if (code != ERROR_SUCCESS) {
    file.reset();
    DeleteFileW(temporary.c_str());
    return pathFailure(temporary, code);
  }
  reachPausePoint("write:" + toUtf8(path_.filename().native()));
  if (renameOverOpenFile(file.get(), path_)) return {};
  // Systems and file systems without POSIX renames: the old order, with a moment unguarded.
  file.reset();
  handle_.reset();
  if (const Status moved = moveFileDurable(temporary, path_, true); !moved) {
    DeleteFileW(temporary.c_str());
    return pathFailure(path_, moved.error().systemCode);
  }
  return {};
}

Status moveFileDurable(const fs::path& from, const fs::path& to, bool replaceExisting) {
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replaceExisting ? MOVEFILE_REPLACE_EXISTING : 0);
  if (!MoveFileExW(from.c_str(), to.c_str(), flags)) return pathFailure(from, GetLastError());
  return {};
}

Status deleteFile(const fs::path& path) {
  if (!DeleteFileW(path.c_str())) return pathFailure(path, GetLastError());
  // Wine reports a deletion on a read-only file system as done and leaves the file. A file that
  // Windows only marked for deletion (others hold it open) cannot be queried, and counts as gone.
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return pathFailure(path, ERROR_WRITE_PROTECT);
  return {};
}

namespace {

// What a change of a file that another handle holds open fails with: a rename over it is denied
// even when the holder shares deletion, a deletion is a sharing violation when it does not.
bool heldOpen(unsigned long code) { return code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION; }

template <typename Change>
Status onceReleased(Change change) {
  constexpr DWORD kPollMs = 10;
  const ULONGLONG deadline = GetTickCount64() + kHeldFilePatienceMs;
  for (;;) {
    Status done = change();
    if (done || !heldOpen(done.error().systemCode) || GetTickCount64() >= deadline) return done;
    Sleep(kPollMs);
  }
}

}  // namespace

Status replaceFileOnceReleased(const fs::path& from, const fs::path& to) {
  return onceReleased([&] { return moveFileDurable(from, to, true); });
}

Status deleteFileOnceReleased(const fs::path& path) {
  return onceReleased([&] { return deleteFile(path); });
}

std::optional<fs::path> safeChildPath(const fs::path& folder, std::string_view name) {
  if (!isSafeFileName(name)) return std::nullopt;
  fs::path candidate = folder / toWide(name);
  const std::optional<fs::path> resolvedFolder = resolvedPath(folder);
  const std::optional<fs::path> resolvedCandidate = resolvedPath(candidate);
  if (!resolvedFolder || !resolvedCandidate) return std::nullopt;
  if (resolvedCandidate->parent_path() != *resolvedFolder) return std::nullopt;
  return candidate;
}

std::uint64_t folderTreeSize(const fs::path& folder, std::uint64_t* fileCount) {
  TreeTotals totals;
  std::vector<fs::path> pending{folder};
  while (!pending.empty()) {
    const fs::path current = std::move(pending.back());
    pending.pop_back();
    addFolderEntries(current, totals, pending);
  }
  if (fileCount != nullptr) *fileCount = totals.files;
  return totals.bytes;
}

}  // namespace myr
