#include "saves/sha256_win.h"

#include <windows.h>

#include <bcrypt.h>

#include <array>

#include "foundation/files/ascii_text.h"
#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"

namespace myr::saves {
namespace {

constexpr DWORD kChunkBytes = 1048576;
// Reading or writing one chunk while the chunk before is hashed, and one more ready.
constexpr std::size_t kChunksInFlight = 3;
constexpr ULONG kDigestBytes = 32;

// Opened once for the whole process and never closed; when the system has no SHA-256 it stays
// absent and nothing can be copied or checked.
BCRYPT_ALG_HANDLE sha256Provider() {
  static const BCRYPT_ALG_HANDLE provider = [] {
    BCRYPT_ALG_HANDLE handle = nullptr;
    return BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) ? handle : nullptr;
  }();
  return provider;
}

WinHandle openForReading(const std::filesystem::path& path) {
  return WinHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

Error fileError(const std::filesystem::path& path, DWORD code) { return Error{pathError(path, code), code}; }

Error notAvailable() { return Error{"SHA-256 is not available (CNG)"}; }

}  // namespace

CngSha256::CngSha256() {
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (sha256Provider() != nullptr && BCRYPT_SUCCESS(BCryptCreateHash(sha256Provider(), &hash, nullptr, 0, nullptr, 0, 0))) {
    hash_.reset(hash);
  }
}

void CngSha256::update(std::span<const std::uint8_t> bytes) {
  if (!hash_ || failed_) return;
  failed_ = !BCRYPT_SUCCESS(
      BCryptHashData(hash_.get(), const_cast<PUCHAR>(bytes.data()), static_cast<ULONG>(bytes.size()), 0));
}

std::string CngSha256::hexDigest() {
  std::array<UCHAR, kDigestBytes> digest{};
  if (!hash_ || failed_ || !BCRYPT_SUCCESS(BCryptFinishHash(hash_.get(), digest.data(), kDigestBytes, 0))) return {};
  std::string text;
  for (const UCHAR byte : digest) {
    text += kLowerHexDigits[byte >> 4];
    text += kLowerHexDigits[byte & 0xF];
  }
  return text;
}

Sha256Files::Sha256Files() : hasher_(kChunkBytes, kChunksInFlight) {}

Result<std::string> Sha256Files::hash(const std::filesystem::path& path, std::uint64_t* size) {
  const WinHandle file = openForReading(path);
  if (!file) return fileError(path, GetLastError());
  if (sha256Provider() == nullptr) return notAvailable();
  hasher_.restart();
  std::uint64_t hashed = 0;
  for (;;) {
    const std::span<std::uint8_t> slot = hasher_.nextSlot();
    DWORD got = 0;
    if (!ReadFile(file.get(), slot.data(), kChunkBytes, &got, nullptr)) return fileError(path, GetLastError());
    if (got == 0) break;
    hasher_.submit(got);
    hashed += got;
  }
  std::string digest = hasher_.finish();
  if (digest.empty()) return notAvailable();
  if (size != nullptr) *size = hashed;
  return digest;
}

Result<std::string> Sha256Files::verifiedCopy(const std::filesystem::path& source,
                                              const std::filesystem::path& destination) {
  if (Status folders = createFolderChain(destination.parent_path()); !folders) return folders.error();
  const WinHandle from = openForReading(source);
  if (!from) return fileError(source, GetLastError());
  WinHandle to(
      CreateFileW(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!to) return fileError(destination, GetLastError());
  // Without CNG the file is still copied, and then refused for want of a digest.
  hasher_.restart();
  for (;;) {
    const std::span<std::uint8_t> slot = hasher_.nextSlot();
    DWORD got = 0;
    if (!ReadFile(from.get(), slot.data(), kChunkBytes, &got, nullptr)) return fileError(source, GetLastError());
    if (got == 0) break;
    // The hasher reads the slot while it is written out.
    hasher_.submit(got);
    DWORD written = 0;
    if (!WriteFile(to.get(), slot.data(), got, &written, nullptr)) {
      return fileError(destination, writeFailureCode(GetLastError()));
    }
    if (written != got) return fileError(destination, writeFailureCode(ERROR_SUCCESS));
  }
  if (!FlushFileBuffers(to.get())) return fileError(destination, writeFailureCode(GetLastError()));
  to.reset();
  const std::string sourceDigest = hasher_.finish();
  Result<std::string> copyDigest = hash(destination);
  if (!copyDigest) return copyDigest.error();
  if (sourceDigest.empty() || sourceDigest != *copyDigest) {
    return Error{toUtf8(destination.native()) + ": the copy does not match the original (SHA-256)"};
  }
  return copyDigest;
}

Result<std::string> sha256File(const std::filesystem::path& path, std::uint64_t* size) {
  return Sha256Files().hash(path, size);
}

Result<std::string> verifiedCopy(const std::filesystem::path& source, const std::filesystem::path& destination) {
  return Sha256Files().verifiedCopy(source, destination);
}

}  // namespace myr::saves
