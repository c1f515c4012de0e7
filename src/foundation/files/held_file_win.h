#pragma once

// A file held open so that nobody else can open it for writing (others may read it), then
// replaced as a whole while still held, so that no writer gets in between the check of what it
// holds and its replacement.

#include <filesystem>
#include <string_view>

#include "foundation/error.h"
#include "foundation/files/win_handle.h"

namespace myr {

class HeldFile {
 public:
  // Refused (sharing violation) while another program has the file open for writing.
  static Result<HeldFile> open(const std::filesystem::path& path);

  // As writeFileAtomic: "<path>.tmp" written and flushed, then renamed over the held file with
  // POSIX semantics. Where the system refuses such a rename, the file is let go just before an
  // ordinary replacing move. On failure the file is as it was and no temporary file remains.
  Status replace(std::string_view bytes);

 private:
  HeldFile(std::filesystem::path path, WinHandle handle) : path_(std::move(path)), handle_(std::move(handle)) {}

  std::filesystem::path path_;
  WinHandle handle_;
};

}  // namespace myr
