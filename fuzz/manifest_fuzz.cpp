// manifest.sha256 text: any bytes are refused or give 1 to 4096 entries whose digests and
// paths are well-formed, and written again those entries read back the same.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "saves/backup_names.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const myr::Result<std::vector<myr::saves::ManifestEntry>> entries = myr::saves::parseManifest(text);
  if (!entries) {
    fuzzCheck(entries.error().message.starts_with("manifest.sha256 "));
    return 0;
  }
  fuzzCheck(!entries->empty() && entries->size() <= myr::saves::kMaxSetFiles);
  std::string written;
  for (const myr::saves::ManifestEntry& entry : *entries) {
    fuzzCheck(entry.sha256.size() == 64 && entry.sha256.find_first_not_of("0123456789abcdef") == std::string::npos);
    fuzzCheck(myr::saves::isManifestPath(entry.path));
    written += myr::saves::manifestLine(entry.sha256, entry.path);
  }
  const myr::Result<std::vector<myr::saves::ManifestEntry>> reread = myr::saves::parseManifest(written);
  fuzzCheck(reread && *reread == *entries);
  return 0;
}
