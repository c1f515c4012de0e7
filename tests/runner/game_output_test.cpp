#include "runner/game_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "foundation/files/utf8.h"
#include "foundation/version.h"

namespace myr::runner {
namespace {

// Stands in for the code-page conversion: UTF-8 passes, other bytes are read as Latin-1, so a
// line that was broken inside a character shows up changed.
std::string latin1ToUtf8(std::string_view bytes) {
  if (isUtf8(bytes)) return std::string(bytes);
  std::string out;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

struct Gathered {
  std::vector<std::string> lines;
  std::string log;
};

// Reads as the pump makes them, into a block of one read so that its carry moves often, and
// drained while each read is under way, as the pump does whenever the game is quiet.
Gathered gather(const std::vector<std::string>& chunks, std::uint64_t logCap = kLogCap) {
  OutputBlock block(1, logCap);
  Gathered gathered;
  const auto drain = [&] {
    block.drain([&](const OutputBlock::Gathered& part) {
      for (const std::string_view line : part.lines) gathered.lines.push_back(logLineText(line, &latin1ToUtf8));
      gathered.log.append(part.log).append(part.marker);
    });
  };
  for (const std::string& chunk : chunks) {
    const std::span<char> room = block.room();
    drain();
    EXPECT_LE(chunk.size(), room.size());
    std::copy_n(chunk.begin(), std::min(chunk.size(), room.size()), room.begin());
    block.added(chunk.size());
    if (block.full()) drain();
  }
  block.finish();
  drain();
  return gathered;
}

std::vector<std::string> linesOf(const std::vector<std::string>& chunks) { return gather(chunks).lines; }

// Letters that tell where in the stream a byte came from.
std::string patterned(std::size_t size) {
  std::string text(size, ' ');
  for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + i % 26);
  return text;
}

struct SplitCase {
  const char* what;
  std::vector<std::string> chunks;
  std::vector<std::string> lines;
};

TEST(OutputLines, CutsLinesWhereverTheReadsFall) {
  const std::string longUtf8 = std::string(1999, 'a') + "\xC3\xA9" + "b";
  const SplitCase cases[] = {
      {"lines in one read", {"a\nb\n"}, {"a", "b"}},
      {"a line across reads", {"ab", "c\nd"}, {"abc", "d"}},
      {"empty lines count", {"\n\n"}, {"", ""}},
      {"CR LF loses the CR, also split", {"x\r\n", "y\r", "\n"}, {"x", "y"}},
      {"only one CR goes", {"a\r\r\n"}, {"a\r"}},
      {"a long line is cut", {std::string(2500, 'x') + "\n"}, {std::string(2000, 'x')}},
      {"a cut keeps characters whole", {longUtf8 + "\n"}, {std::string(1999, 'a')}},
      {"ANSI text is converted", {"caf\xE9\r\n"}, {"caf\xC3\xA9"}},
      {"the end without a line feed", {"a\nrest"}, {"a", "rest"}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(linesOf(c.chunks), c.lines) << c.what;
  }
}

TEST(OutputLines, ByteByByteReadsGiveTheSameLines) {
  const std::string stream = "one\r\ntwo\n\nthree " + std::string(3000, 'z') + "\nfour";
  std::vector<std::string> single;
  for (const char c : stream) single.emplace_back(1, c);
  EXPECT_EQ(linesOf(single), linesOf({stream}));
}

TEST(OutputLines, TextWithoutLineFeedsComesInPiecesOf8000Bytes) {
  const std::string text = patterned(20000);
  // Reads as the pump makes them: the first one already holds two pieces.
  const std::vector<std::string> lines = linesOf({text.substr(0, 16384), text.substr(16384)});
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], text.substr(0, 2000));
  EXPECT_EQ(lines[1], text.substr(8000, 2000));
  EXPECT_EQ(lines[2], text.substr(16000, 2000));
}

TEST(OutputLines, PiecesAreNotCutInsideACharacter) {
  // A 2-byte character straddles the 8000-byte mark: it starts the second piece.
  const std::string text = std::string(7999, 'a') + "\xC3\xA9" + std::string(7999, 'b');
  const std::vector<std::string> lines = linesOf({text});
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], std::string(2000, 'a'));
  EXPECT_EQ(lines[1], "\xC3\xA9" + std::string(1998, 'b'));
  EXPECT_EQ(lines[2], "b");
}

TEST(OutputLines, CarryBelowTheLimitWaitsForItsLineFeed) {
  const std::vector<std::string> lines = linesOf({std::string(8000, 'q'), "!\n"});
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], std::string(2000, 'q'));
}

// The log gets every byte once, in order, however often the block is drained and its carry
// moved to the front.
TEST(OutputBlock, LogHoldsTheOutputOnceInOrder) {
  std::mt19937 random(11);
  std::string stream;
  for (int i = 0; i < 200000; ++i) stream += random() % 40 == 0 ? '\n' : static_cast<char>('a' + random() % 26);
  std::vector<std::string> chunks;
  for (std::size_t at = 0; at < stream.size();) {
    const std::size_t size = std::min<std::size_t>(1 + random() % kPumpReadSize, stream.size() - at);
    chunks.push_back(stream.substr(at, size));
    at += size;
  }
  EXPECT_EQ(gather(chunks).log, stream);
}

TEST(OutputBlock, LogStopsAfterTheReadThatReachesTheCap) {
  const Gathered gathered = gather({"abcd", "efghijklm", "n\n"}, 10);
  EXPECT_EQ(gathered.log, "abcdefghijklm" + std::string(kCapMarker));
  EXPECT_EQ(gathered.lines, (std::vector<std::string>{"abcdefghijklmn"}));
}

TEST(CutPosition, StepsBackOnlyOverABrokenCharacter) {
  EXPECT_EQ(cutPosition("abc", 5), 5u);
  EXPECT_EQ(cutPosition("abcdef", 3), 3u);
  EXPECT_EQ(cutPosition("ab\xE2\x82\xAC", 3), 2u);  // inside a 3-byte character
  EXPECT_EQ(cutPosition("ab\xE2\x82\xAC", 4), 2u);
  EXPECT_EQ(cutPosition("ab\xE2\x82\xAC", 5), 5u);      // after it
  EXPECT_EQ(cutPosition("ab\x80\x80\x80\x80", 4), 4u);  // no lead byte near: not UTF-8, cut as is
}

TEST(CappedLog, WritesUntilTheCapThenTheMarkerOnce) {
  CappedLog log(10);
  CappedLog::Portion first = log.admit("abcd");
  EXPECT_EQ(first.output, "abcd");
  EXPECT_TRUE(first.marker.empty());
  // The chunk that crosses the cap is written whole.
  CappedLog::Portion crossing = log.admit("efghijklm");
  EXPECT_EQ(crossing.output, "efghijklm");
  EXPECT_EQ(crossing.marker, kCapMarker);
  CappedLog::Portion after = log.admit("n");
  EXPECT_TRUE(after.output.empty());
  EXPECT_TRUE(after.marker.empty());
}

TEST(CappedLog, ReachingTheCapExactlyWritesTheMarker) {
  CappedLog log;
  const std::string chunk(kPumpReadSize, 'x');
  std::uint64_t written = 0;
  int markers = 0;
  for (std::uint64_t read = 0; read < kLogCap + 4 * kPumpReadSize; read += chunk.size()) {
    const CappedLog::Portion portion = log.admit(chunk);
    written += portion.output.size();
    markers += portion.marker.empty() ? 0 : 1;
  }
  EXPECT_EQ(written, kLogCap);
  EXPECT_EQ(markers, 1);
  EXPECT_EQ(kCapMarker.size(), 45u);
}

TEST(LogLines, HeaderAndClosingLine) {
  const LocalTime time{2024, 3, 7, 9, 5, 2};
  const std::string launcher = std::string("[myr_launcher ") + kLauncherVersion + "] ";
  EXPECT_EQ(logHeaderLine(time, ""), launcher + "2024-03-07 09:05:02 myr.exe started\r\n");
  EXPECT_EQ(logHeaderLine(time, "quick.state"),
            launcher + "2024-03-07 09:05:02 myr.exe started, resuming quick.state\r\n");
  EXPECT_EQ(logClosingLine(0xC0000005), "\r\n[myr_launcher] myr.exe ended with code 3221225477 (0xC0000005)\r\n");
  EXPECT_EQ(logClosingLine(3), "\r\n[myr_launcher] myr.exe ended with code 3 (0x00000003)\r\n");
  EXPECT_EQ(stateLoadValue("slot 1.state"), "30:states\\slot 1.state");
}

}  // namespace
}  // namespace myr::runner
