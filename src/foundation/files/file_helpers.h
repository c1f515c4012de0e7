#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/error.h"

namespace myr {

struct FileStatus {
  bool exists = false;
  bool isDirectory = false;
  std::uint64_t size = 0;       // 0 for folders
  std::int64_t modifiedMs = 0;  // last write, milliseconds since 1970-01-01 UTC
};

// One attribute query; all zero when the path is missing or cannot be queried.
FileStatus fileStatus(const std::filesystem::path& path);

// True only when the system reports the path absent; a path it fails to query (access denied, a
// network error) may still hold a file that must not be written over as new.
bool isMissingPath(const std::filesystem::path& path);

// "<path>: larger than <limit> bytes", the refusal of every size limit on files.
std::string fileTooLargeError(const std::filesystem::path& path, std::uint64_t limit);

// The whole file, refused when it is larger than limit bytes. Others may keep
// the file open for reading and writing meanwhile.
Result<std::string> readFileLimited(const std::filesystem::path& path, std::uint64_t limit);

// The last limit bytes of the file, all of a shorter one; others may write it meanwhile.
Result<std::string> readFileTail(const std::filesystem::path& path, std::uint64_t limit);

// Creates folder and its missing parents; the first that cannot be made, with its path.
Status createFolderChain(const std::filesystem::path& folder);

// The code to report for a write that failed with code (ERROR_SUCCESS: it wrote less than asked):
// a full disk reads as one, whichever way the system put it.
unsigned long writeFailureCode(unsigned long code);

// Replaces target with bytes through "<target>.tmp", creating missing parent
// folders. Readers see the old or the new content, never a mixture; on
// failure the old target is untouched and no temporary file remains.
Status writeFileAtomic(const std::filesystem::path& target, std::string_view bytes);

// Adds bytes at the end of path (made when missing, with its folders), flushed. A line of a log
// that only grows; a cut-off write can leave part of it, which its readers must skip.
Status appendToFile(const std::filesystem::path& path, std::string_view bytes);

// One write-through move. The error names from; callers who word it their own way use its system code.
Status moveFileDurable(const std::filesystem::path& from, const std::filesystem::path& to, bool replaceExisting);

// Fails unless the file is gone afterwards, whatever the system answered.
Status deleteFile(const std::filesystem::path& path);

// A replacing moveFileDurable and deleteFile that, refused because another handle holds the file
// open, try again for up to kHeldFilePatienceMs: readers such as the launcher's own listings and
// pictures hold save files for milliseconds, and virus scanners hold new files for a moment.
inline constexpr unsigned kHeldFilePatienceMs = 2000;
Status replaceFileOnceReleased(const std::filesystem::path& from, const std::filesystem::path& to);
Status deleteFileOnceReleased(const std::filesystem::path& path);

// folder \ name when name is a harmless file name and the joined path, with
// links resolved, stays directly inside folder. The file need not exist.
std::optional<std::filesystem::path> safeChildPath(const std::filesystem::path& folder, std::string_view name);

// Bytes of all regular files below folder, links not followed; counts the
// files into fileCount when given. A missing folder gives 0; subfolders that
// cannot be read are left out and the walk goes on.
std::uint64_t folderTreeSize(const std::filesystem::path& folder, std::uint64_t* fileCount = nullptr);

}  // namespace myr
