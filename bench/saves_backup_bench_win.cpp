// A backup of a game folder's saves (run under Wine; not a test) against CNG alone hashing the
// same bytes twice from memory, which is what a verified copy cannot do without: the source while
// it is copied and the copy read back. One line per round, both measured in the same round.
//
//   saves_backup_bench <game folder with saves> [rounds, default 3]

#include <windows.h>

#include <bcrypt.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/environment_win.h"
#include "saves/backup_sets_win.h"
#include "saves/save_files_win.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::vector<std::string> savedBytes(const fs::path& gameFolder) {
  std::vector<std::string> files;
  for (const std::string& path : myr::saves::collectSaveFiles(gameFolder).paths) {
    std::ifstream in(myr::saves::manifestPath(gameFolder, path), std::ios::binary);
    files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return files;
}

// CNG over every file in the chunks a copy uses, twice; the digests are thrown away.
double cngHashTwice(const std::vector<std::string>& files) {
  constexpr std::size_t kChunk = 1048576;
  BCRYPT_ALG_HANDLE provider = nullptr;
  BCryptOpenAlgorithmProvider(&provider, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
  const Clock::time_point start = Clock::now();
  for (int pass = 0; pass < 2; ++pass) {
    for (const std::string& bytes : files) {
      BCRYPT_HASH_HANDLE hash = nullptr;
      BCryptCreateHash(provider, &hash, nullptr, 0, nullptr, 0, 0);
      for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
        const ULONG size = static_cast<ULONG>(std::min(kChunk, bytes.size() - at));
        BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data() + at)), size, 0);
      }
      UCHAR digest[32];
      BCryptFinishHash(hash, digest, sizeof digest, 0);
      BCryptDestroyHash(hash);
    }
  }
  const double seconds = secondsSince(start);
  BCryptCloseAlgorithmProvider(provider, 0);
  return seconds;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: saves_backup_bench <game folder with saves> [rounds]\n");
    return 2;
  }
  const fs::path gameFolder = argv[1];
  const int rounds = argc > 2 ? static_cast<int>(std::wcstol(argv[2], nullptr, 10)) : 3;
  const std::vector<std::string> files = savedBytes(gameFolder);
  std::uint64_t bytes = 0;
  for (const std::string& file : files) bytes += file.size();
  std::printf("%zu save files, %.1f MB\n", files.size(), static_cast<double>(bytes) / 1e6);
  for (int round = 1; round <= rounds; ++round) {
    const double cng = cngHashTwice(files);
    const Clock::time_point start = Clock::now();
    const myr::Result<myr::saves::BackupResult> set = myr::saves::makeBackup(gameFolder, "", myr::localTimeNow());
    const double backup = secondsSince(start);
    if (!set) {
      std::fprintf(stderr, "the backup failed: %s\n", set.error().message.c_str());
      return 1;
    }
    std::error_code ignored;
    fs::remove_all(gameFolder / L"backups", ignored);
    std::printf("round %d: backup %.2f s; CNG hashing the same bytes twice %.2f s; ratio %.2f\n", round, backup, cng,
                backup / cng);
    std::fflush(stdout);
  }
  return 0;
}
