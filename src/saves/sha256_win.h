#pragma once

// SHA-256 of files through the system's cryptography (CNG), and copies that count only when the
// copy read back has the digest of its source.

#include <cstdint>
#include <filesystem>
#include <string>

#include "foundation/error.h"

namespace myr::saves {

// The digest as 64 lower-case hexadecimal digits; size receives the number of bytes hashed.
Result<std::string> sha256File(const std::filesystem::path& path, std::uint64_t* size = nullptr);

// Copies source to destination (creating its folders), flushes the copy, reads it back and
// returns the digest both share. A failed copy leaves what it wrote at the destination.
Result<std::string> verifiedCopy(const std::filesystem::path& source, const std::filesystem::path& destination);

}  // namespace myr::saves
