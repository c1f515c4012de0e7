#pragma once

// Names and the manifest of backup sets: backups\<name>\ holds copies of the save files at
// their paths relative to the game folder, listed with their SHA-256 digests in manifest.sha256
// in the format of the common checksum tools.

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/error.h"

namespace myr::saves {

inline constexpr std::size_t kMaxSetFiles = 4096;
inline constexpr std::size_t kManifestLimitBytes = 1048576;
inline constexpr std::string_view kManifestName = "manifest.sha256";
inline constexpr std::string_view kBeforeRestoreSuffix = "_before-restore";
inline constexpr std::string_view kAfterPlaySuffix = "_after-play";
// The launcher deletes its own sets of after playing beyond these newest ones, and no other set.
inline constexpr std::size_t kKeptAfterPlaySets = 10;

struct ManifestEntry {
  std::string path;    // relative to the set and to the game folder, parts joined by "/"
  std::string sha256;  // 64 lower-case hexadecimal digits

  bool operator==(const ManifestEntry&) const = default;
};

// A set that may be listed and restored: "YYYY-MM-DD_hh-mm-ss", optionally followed by "_" and
// up to 28 further digits, lower-case letters and "-".
bool isBackupSetName(std::string_view name);

// A set the launcher made after a run: the stamp, "_after-play" and perhaps the counter of a
// second set within the same second.
bool isAfterPlaySetName(std::string_view name);

// The names of after-play sets among names, newest first.
std::vector<std::string> afterPlaySetsNewestFirst(std::vector<std::string> names);

// "YYYY-MM-DD_hh-mm-ss" of a broken-down local time.
std::string backupStamp(const std::tm& localTime);

// The name to try for a set on the given attempt (1 first, up to 99): the base itself, then
// with a two-digit counter that keeps the name listable and sorts with the count.
std::string backupSetName(std::string_view base, int attempt);
inline constexpr int kLastBackupNameAttempt = 99;

// A manifest path that may be copied back into the game folder: memory card files, the port's
// save data files and quick-save states, with no step that leaves those folders. A temporary
// name is none of them: a restore stages its copies under such names.
bool isManifestPath(std::string_view path);

// The entries of a manifest's text, in file order. Lines end in LF (a CR before it is ignored,
// empty lines are skipped); the separator may be two blanks or a blank and "*".
Result<std::vector<ManifestEntry>> parseManifest(std::string_view text);

// One line as the manifest holds it.
std::string manifestLine(std::string_view sha256, std::string_view path);

}  // namespace myr::saves
