#include "runner/play_time.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace myr::runner {
namespace {

TEST(PlayTime, LinesReadBackAsWritten) {
  const RunLine runs[] = {{1765430000000, 3600, 0}, {0, 0, 0}, {253402300799999, 0, 0xC0000005}, {5000, 5, 1}};
  for (const RunLine& run : runs) {
    std::string line = runLine(run);
    ASSERT_TRUE(line.ends_with('\n'));
    line.pop_back();
    const std::optional<RunLine> read = parseRunLine(line);
    ASSERT_TRUE(read) << line;
    EXPECT_EQ(read->endedMs, run.endedMs);
    EXPECT_EQ(read->seconds, run.seconds);
    EXPECT_EQ(read->exitCode, run.exitCode);
  }
}

TEST(PlayTime, DamagedLinesAreRefused) {
  const char* damaged[] = {
      "",
      "1765430000000 3600",      // a field missing
      "1765430000000 3600 0 7",  // one too many
      "1765430000000  3600 0",   // an empty field
      "1765430000000 3600 0 ",   // a trailing blank
      " 1765430000000 3600 0",   // a leading blank
      "1765430000000 -5 0",      // a sign
      "1765430000000 +5 0",
      "1765430000000 36x0 0",           // not a number
      "1765430000000 3600 4294967296",  // an exit code past 32 bits
      "253402300800000 0 0",            // an end after the year 9999
      "1000 2 0",                       // a run that began before 1970
      "99999999999999999999 1 0",       // past 64 bits
      "1765430000000 18446744073709551615 0",
      "1765430000000\t3600\t0",
  };
  for (const char* line : damaged) {
    EXPECT_FALSE(parseRunLine(line)) << '"' << line << '"';
  }
  EXPECT_TRUE(parseRunLine("1765430000000 3600 0\r")) << "a Windows line end";
}

TEST(PlayTime, DamagedLinesAreSkippedAndTheRestCounts) {
  const PlayTime playTime = playTimeOf(
      "1765430000000 3600 0\n"
      "garbage\n"
      "\n"
      "1765420000000 60 1\n"  // older than the line before: the latest end wins
      "17654\x01\xff 9 0\n"
      "1765440000000 120 3221225477\r\n"
      "1765450000000 999 0");  // cut off before its line end
  EXPECT_EQ(playTime.runs, 3u);
  EXPECT_EQ(playTime.seconds, 3780u);
  EXPECT_EQ(playTime.lastPlayedMs, std::optional<std::uint64_t>(1765440000000));
}

TEST(PlayTime, NoRunsMeansNoLastPlayed) {
  for (const char* text : {"", "\n\n", "nonsense without a line end"}) {
    const PlayTime playTime = playTimeOf(text);
    EXPECT_EQ(playTime.runs, 0u);
    EXPECT_EQ(playTime.seconds, 0u);
    EXPECT_FALSE(playTime.lastPlayedMs);
  }
  EXPECT_EQ(json::write(playTimeJson({})), R"({"runs":0,"seconds":0,"lastPlayed":null})");
  EXPECT_EQ(json::write(playTimeJson({2, 75, 1765440000000})), R"({"runs":2,"seconds":75,"lastPlayed":1765440000000})");
}

}  // namespace
}  // namespace myr::runner
