#include "disc/extraction_win.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "disc/disc_check.h"
#include "disc/iso_image_win.h"
#include "disc/parallel_sha1.h"
#include "foundation/files/file_helpers.h"
#include "foundation/files/win_handle.h"
#include "foundation/files/win_text.h"
#include "foundation/pause_points.h"

namespace fs = std::filesystem;

namespace myr::disc {
namespace {

constexpr std::size_t kCopyChunk = 1 << 20;
constexpr std::string_view kNothingWritten = " Nothing was written.";

std::string text(std::string_view view) { return std::string(view); }

Error systemFailure(std::string words, DWORD code) {
  return Error{std::move(words) + ": " + systemErrorText(code) + ".", code};
}

Error nothingWritten(Error error) {
  error.message += kNothingWritten;
  return error;
}

// What one run put into the target folder. Unless the run is committed, everything of it goes
// again when the run ends, also when an exception ends it.
class RunFiles {
 public:
  explicit RunFiles(fs::path target) : target_(std::move(target)) {}
  RunFiles(const RunFiles&) = delete;
  RunFiles& operator=(const RunFiles&) = delete;
  ~RunFiles() {
    if (committed_) return;
    // A file that cannot be deleted stays; nothing more can be done about it here.
    for (const fs::path& file : placed_) (void)deleteFile(file);
    for (const fs::path& file : temporaries_) (void)deleteFile(file);
    for (auto folder = createdFolders_.rbegin(); folder != createdFolders_.rend(); ++folder) {
      RemoveDirectoryW(folder->c_str());
    }
  }

  // Creates the target folder and its missing parents, remembering those it made.
  Status createTarget() {
    std::vector<fs::path> missing;
    for (fs::path folder = target_; folder.has_relative_path() && !fileStatus(folder).exists;
         folder = folder.parent_path()) {
      missing.push_back(folder);
    }
    for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
      if (!CreateDirectoryW(folder->c_str(), nullptr)) {
        const DWORD code = GetLastError();
        if (code != ERROR_ALREADY_EXISTS) return folderWriteError(target_, code);
      } else {
        createdFolders_.push_back(*folder);
      }
    }
    if (!fileStatus(target_).isDirectory) return folderWriteError(target_, ERROR_ALREADY_EXISTS);
    return {};
  }

  fs::path temporaryFor(std::string_view name) const { return target_ / toWide(text(name) + ".partial"); }
  fs::path finalFor(std::string_view name) const { return target_ / toWide(name); }

  void addTemporary(fs::path file) { temporaries_.push_back(std::move(file)); }
  void addPlaced(fs::path file) { placed_.push_back(std::move(file)); }
  void commit() { committed_ = true; }

 private:
  fs::path target_;
  std::vector<fs::path> createdFolders_;
  std::vector<fs::path> temporaries_;
  std::vector<fs::path> placed_;
  bool committed_ = false;
};

// Copies one file into its temporary, hashing it on the way; the SHA-1 of what was copied.
Result<std::string> copyHashed(IsoImage& image, const GameFile& file, const FileExtent& extent, HANDLE out,
                               ParallelSha1& hasher) {
  const std::uint64_t position = extent.position();
  for (std::uint64_t copied = 0; copied < extent.length;) {
    const std::span<std::uint8_t> slot = hasher.nextSlot();
    const std::span<std::uint8_t> chunk = slot.first(std::min<std::uint64_t>(extent.length - copied, slot.size()));
    if (Status read = image.readAt(position + copied, chunk); !read) {
      return Error{text(file.name) + " cannot be read from the disc image: " + read.error().message + ".",
                   read.error().systemCode};
    }
    hasher.submit(chunk.size());
    DWORD written = 0;
    if (!WriteFile(out, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr)) {
      return systemFailure(text(file.name) + " cannot be written", writeFailureCode(GetLastError()));
    }
    if (written != chunk.size()) {
      return systemFailure(text(file.name) + " cannot be written", writeFailureCode(ERROR_SUCCESS));
    }
    copied += chunk.size();
  }
  return hasher.finish();
}

// Copies, flushes and closes one file's temporary and checks its digest.
Status copyVerified(IsoImage& image, const GameFile& file, const FileExtent& extent, WinHandle out,
                    ParallelSha1& hasher) {
  const Result<std::string> digest = copyHashed(image, file, extent, out.get(), hasher);
  if (!digest) return digest.error();
  if (!FlushFileBuffers(out.get()) || !CloseHandle(out.release())) {
    return systemFailure(text(file.name) + " cannot be written", writeFailureCode(GetLastError()));
  }
  if (*digest != file.sha1) {
    return Error{text(file.name) +
                 " differs from the retail USA disc (QXUS-40404, version 1.00): the image is another revision, "
                 "modified or a bad dump."};
  }
  return {};
}

Status stageFile(IsoImage& image, const GameFile& file, const FileExtent& extent, const fs::path& target, RunFiles& run,
                 ParallelSha1& hasher) {
  if (!extent.fitsVolume()) {
    return Error{text(file.name) + " points outside the image: the image is cut short or is not this disc." +
                 text(kNothingWritten)};
  }
  const fs::path temporary = run.temporaryFor(file.name);
  WinHandle out(
      CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) return folderWriteError(target, GetLastError());
  run.addTemporary(temporary);
  if (Status copied = copyVerified(image, file, extent, std::move(out), hasher); !copied) {
    return nothingWritten(copied.error());
  }
  return {};
}

Status putInPlace(std::span<const GameFile> table, const fs::path& target, RunFiles& run) {
  for (const GameFile& file : table) {
    const fs::path final = run.finalFor(file.name);
    if (Status moved = moveFileDurable(run.temporaryFor(file.name), final, true); !moved) {
      return systemFailure(text(file.name) + " cannot be put in place in " + toUtf8(target.native()),
                           moved.error().systemCode);
    }
    run.addPlaced(final);
    reachPausePoint("extract:placed");
  }
  return {};
}

}  // namespace

std::vector<std::string> removeExtractionLeftovers(const fs::path& target, std::span<const GameFile> table) {
  std::vector<std::string> removed;
  for (const GameFile& file : table) {
    const std::string name = text(file.name) + ".partial";
    const fs::path temporary = target / toWide(name);
    if (!isMissingPath(temporary) && deleteFile(temporary)) removed.push_back(name);
  }
  return removed;
}

Result<ExtractionOutcome> extractGameFiles(const fs::path& imagePath, const fs::path& target,
                                           std::span<const GameFile> table, const ExtractionProgress& progress) {
  if (fileStatus(target / toWide(kBootFileName)).exists) return ExtractionOutcome::AlreadyPresent;
  Result<IsoImage> image = IsoImage::open(imagePath);
  if (!image) {
    return Error{"The disc image cannot be opened: " + image.error().message + ".", image.error().systemCode};
  }
  const Result<IsoIndex> available = locateGameFiles(*image, image->size(), table);
  if (!available) return available.error();
  RunFiles run(target);
  if (Status created = run.createTarget(); !created) return created.error();
  // Reading and writing one chunk overlaps with hashing the one before.
  ParallelSha1 hasher(kCopyChunk, 3);
  const int count = static_cast<int>(table.size());
  for (int index = 0; index < count; ++index) {
    const GameFile& file = table[index];
    if (progress) progress(index, count, file.name);
    const Status staged = stageFile(*image, file, available->at(text(file.name)), target, run, hasher);
    if (!staged) return staged.error();
  }
  if (Status placed = putInPlace(table, target, run); !placed) return placed.error();
  run.commit();
  return ExtractionOutcome::Extracted;
}

Error folderWriteError(const fs::path& folder, unsigned long code) {
  const std::string where = toUtf8(folder.native());
  if (code == ERROR_ACCESS_DENIED || code == ERROR_WRITE_PROTECT || code == ERROR_PRIVILEGE_NOT_HELD) {
    return Error{"The game's folder " + where + " cannot be written to (" + systemErrorText(code) +
                     "). Unpack the game into a folder you can write to, such as one in Documents, not into "
                     "Program Files.",
                 code};
  }
  return Error{"The game's files cannot be written to " + where + ": " + systemErrorText(code) + ".", code};
}

}  // namespace myr::disc
