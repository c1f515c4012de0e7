#pragma once

// SHA-256 of files through the system's cryptography (CNG), and copies that count only when the
// copy read back has the digest of its source.

#include <windows.h>

#include <bcrypt.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "foundation/error.h"
#include "foundation/files/win_handle.h"
#include "foundation/parallel_hash.h"

namespace myr::saves {

// One CNG hash object, fed by ParallelHash; its digest is empty when CNG has no SHA-256.
class CngSha256 {
 public:
  CngSha256();
  CngSha256(CngSha256&&) noexcept = default;
  CngSha256& operator=(CngSha256&&) noexcept = default;

  void update(std::span<const std::uint8_t> bytes);
  std::string hexDigest();

 private:
  UniqueWinHandle<&::BCryptDestroyHash> hash_;
  bool failed_ = false;
};

// The hashing of one piece of work (a backup set, the check of a set), on one thread of its own
// beside the reads and writes, so that hashing a file costs little more than CNG's own time.
class Sha256Files {
 public:
  Sha256Files();

  // The digest as 64 lower-case hexadecimal digits; size receives the number of bytes hashed.
  Result<std::string> hash(const std::filesystem::path& path, std::uint64_t* size = nullptr);
  // Copies source to destination (creating its folders), flushes the copy, reads it back and
  // returns the digest both share. A failed copy leaves what it wrote at the destination.
  Result<std::string> verifiedCopy(const std::filesystem::path& source, const std::filesystem::path& destination);

 private:
  ParallelHash<CngSha256> hasher_;
};

// The same for a single file.
Result<std::string> sha256File(const std::filesystem::path& path, std::uint64_t* size = nullptr);
Result<std::string> verifiedCopy(const std::filesystem::path& source, const std::filesystem::path& destination);

}  // namespace myr::saves
