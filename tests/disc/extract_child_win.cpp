// Runs one extraction, printing a line before each file and one at the end:
//   disc_extract_child <image> <target folder> [digest list in sha1sum format]
// Without a list it uses the launcher's own table. The kill test ends it at chosen points; the
// benchmark reads its time.

#include <chrono>
#include <cstdio>
#include <optional>

#include "disc/disc_fixtures.h"
#include "disc/extraction_win.h"

int wmain(int argc, wchar_t** argv) {
  using namespace myr::disc;
  if (argc < 3) {
    std::fprintf(stderr, "usage: disc_extract_child <image> <target> [digest list]\n");
    return 2;
  }
  std::optional<testing::DigestList> list;
  if (argc > 3) list.emplace(testing::readWholeFile(argv[3]));
  const std::span<const GameFile> table =
      list ? std::span<const GameFile>(list->rows()) : std::span<const GameFile>(kGameFileTable);
  const auto start = std::chrono::steady_clock::now();
  const auto progress = [](int index, int count, std::string_view name) {
    std::printf("copying %d/%d %.*s\n", index, count, static_cast<int>(name.size()), name.data());
    std::fflush(stdout);
  };
  const myr::Result<ExtractionOutcome> outcome = extractGameFiles(argv[1], argv[2], table, progress);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!outcome) {
    std::printf("failed: %s\n", outcome.error().message.c_str());
    return 1;
  }
  std::printf("%s in %.3f s\n", *outcome == ExtractionOutcome::Extracted ? "extracted" : "already present", seconds);
  return 0;
}
