#include "saves/sha256_win.h"

#include <windows.h>

#include <bcrypt.h>

#include <array>
#include <memory>

#include "foundation/files/ascii_text.h"
#include "foundation/files/file_helpers.h"
#include "foundation/files/win_handle.h"
#include "foundation/files/win_text.h"

namespace myr::saves {
namespace {

constexpr DWORD kChunkBytes = 1048576;
constexpr ULONG kDigestBytes = 32;

using HashHandle = UniqueWinHandle<&::BCryptDestroyHash>;

// Opened once for the whole process and never closed; when the system has no SHA-256 it stays
// absent and nothing can be copied or checked.
BCRYPT_ALG_HANDLE sha256Provider() {
  static const BCRYPT_ALG_HANDLE provider = [] {
    BCRYPT_ALG_HANDLE handle = nullptr;
    return BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) ? handle : nullptr;
  }();
  return provider;
}

HashHandle newHash() {
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (sha256Provider() == nullptr ||
      !BCRYPT_SUCCESS(BCryptCreateHash(sha256Provider(), &hash, nullptr, 0, nullptr, 0, 0))) {
    return HashHandle();
  }
  return HashHandle(hash);
}

bool hashChunk(const HashHandle& hash, const char* data, DWORD size) {
  return BCRYPT_SUCCESS(BCryptHashData(hash.get(), reinterpret_cast<PUCHAR>(const_cast<char*>(data)), size, 0));
}

// Empty when the hash cannot be finished.
std::string finishedDigest(const HashHandle& hash) {
  std::array<UCHAR, kDigestBytes> digest{};
  if (!BCRYPT_SUCCESS(BCryptFinishHash(hash.get(), digest.data(), kDigestBytes, 0))) return {};
  std::string text;
  for (const UCHAR byte : digest) {
    text += kLowerHexDigits[byte >> 4];
    text += kLowerHexDigits[byte & 0xF];
  }
  return text;
}

WinHandle openForReading(const std::filesystem::path& path) {
  return WinHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

Error fileError(const std::filesystem::path& path, DWORD code) { return Error{pathError(path, code), code}; }

Error notAvailable() { return Error{"SHA-256 is not available (CNG)"}; }

std::unique_ptr<char[]> chunkBuffer() { return std::make_unique_for_overwrite<char[]>(kChunkBytes); }

}  // namespace

Result<std::string> sha256File(const std::filesystem::path& path, std::uint64_t* size) {
  const WinHandle file = openForReading(path);
  if (!file) return fileError(path, GetLastError());
  const HashHandle hash = newHash();
  if (!hash) return notAvailable();
  const std::unique_ptr<char[]> buffer = chunkBuffer();
  std::uint64_t hashed = 0;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer.get(), kChunkBytes, &got, nullptr)) return fileError(path, GetLastError());
    if (got == 0) break;
    if (!hashChunk(hash, buffer.get(), got)) return notAvailable();
    hashed += got;
  }
  if (size != nullptr) *size = hashed;
  return finishedDigest(hash);
}

Result<std::string> verifiedCopy(const std::filesystem::path& source, const std::filesystem::path& destination) {
  if (Status folders = createFolderChain(destination.parent_path()); !folders) return folders.error();
  const WinHandle from = openForReading(source);
  if (!from) return fileError(source, GetLastError());
  WinHandle to(
      CreateFileW(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!to) return fileError(destination, GetLastError());
  // Without a hash object the file is still copied, and then refused for want of a digest.
  const HashHandle hash = newHash();
  const std::unique_ptr<char[]> buffer = chunkBuffer();
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(from.get(), buffer.get(), kChunkBytes, &got, nullptr)) return fileError(source, GetLastError());
    if (got == 0) break;
    if (hash) hashChunk(hash, buffer.get(), got);
    DWORD written = 0;
    if (!WriteFile(to.get(), buffer.get(), got, &written, nullptr)) {
      return fileError(destination, writeFailureCode(GetLastError()));
    }
    if (written != got) return fileError(destination, writeFailureCode(ERROR_SUCCESS));
  }
  if (!FlushFileBuffers(to.get())) return fileError(destination, writeFailureCode(GetLastError()));
  to.reset();
  const std::string sourceDigest = hash ? finishedDigest(hash) : std::string();
  Result<std::string> copyDigest = sha256File(destination);
  if (!copyDigest) return copyDigest.error();
  if (sourceDigest.empty() || sourceDigest != *copyDigest) {
    return Error{toUtf8(destination.native()) + ": the copy does not match the original (SHA-256)"};
  }
  return copyDigest;
}

}  // namespace myr::saves
