#pragma once

// The record a restore keeps in backups\restore.journal while it changes the saves: the set it
// restores, the safety set of the saves it replaces, and for every file it will put in place or
// remove, what that file was when the record was written. A restore cut off by the launcher's end
// is finished later only while every file is still as recorded, so a record can never put old
// bytes over saves that changed since.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/error.h"

namespace myr::saves {

inline constexpr std::string_view kRestoreRecordName = "restore.journal";
inline constexpr std::size_t kRestoreRecordLimitBytes = 4194304;

struct RecordedFile {
  std::uint64_t size = 0;
  std::int64_t modifiedMs = 0;
  std::string sha256;

  bool operator==(const RecordedFile&) const = default;
};

struct RecordTarget {
  enum class Kind { Replace, Create, Delete };
  Kind kind = Kind::Create;
  std::string path;                   // relative to the game folder, parts joined by "/"
  std::string setSha256;              // what the file becomes; empty for Delete
  std::optional<RecordedFile> before; // what it was; absent for Create

  bool operator==(const RecordTarget&) const = default;
};

struct RestoreRecord {
  std::string set;
  std::string safetyBackup;  // empty when there were no saves to back up
  std::vector<RecordTarget> targets;

  bool operator==(const RestoreRecord&) const = default;
};

std::string formatRestoreRecord(const RestoreRecord& record);

// The record, or why it cannot be trusted to finish anything: written by an earlier launcher (a
// bare list of staged files, which says nothing of what they replace) or damaged.
Result<RestoreRecord> parseRestoreRecord(std::string_view text);

}  // namespace myr::saves
