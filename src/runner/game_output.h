#pragma once

// What becomes of the game's output: lines for the page and a bounded log file. Pure text
// handling; the pump thread feeds it with what it reads from the game's pipe.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runner/log_queue.h"

namespace myr::runner {

inline constexpr std::size_t kPumpReadSize = 16384;
inline constexpr std::size_t kLongestLine = 2000;
inline constexpr std::size_t kLongestUnterminated = 8000;
inline constexpr std::uint64_t kLogCap = 64ull * 1024 * 1024;
inline constexpr std::string_view kCapMarker = "\r\n[myr_launcher] the log stops here (64 MB)\r\n";

// Game output as UTF-8: valid UTF-8 unchanged, anything else read in the system's code page.
using TextConverter = std::string (*)(std::string_view);

// Where text may be cut at most limit bytes in: never inside a UTF-8 character, whose remains
// would turn the whole line into code-page text.
std::size_t cutPosition(std::string_view text, std::size_t limit);

// One line as the page gets it: without its trailing carriage return, at most 2000 bytes, UTF-8.
std::string logLineText(std::string_view line, TextConverter toUtf8);

// Any thread: one line of game output or a launcher note, made a page line and queued.
void pushLogLine(LogQueue& queue, std::string_view line, TextConverter toUtf8);

// Cuts the output stream into page lines, however the reads fall. Text without a line feed is
// cut into pieces of 8000 bytes so that a game that never ends its line cannot grow the carry.
class OutputLines {
 public:
  explicit OutputLines(TextConverter toUtf8) : toUtf8_(toUtf8) {}

  // Appends the page lines completed by this chunk.
  void feed(std::string_view chunk, std::vector<std::string>& lines);
  // The unterminated rest, once the output has ended.
  void finish(std::vector<std::string>& lines);

 private:
  void cutLongCarry(std::vector<std::string>& lines);

  TextConverter toUtf8_;
  std::string carry_;
};

// Decides what of the output goes into the log file: everything until 64 MiB are written (the
// chunk that reaches it whole), then the marker once, then nothing.
class CappedLog {
 public:
  struct Portion {
    std::string_view output;
    std::string_view marker;
  };

  explicit CappedLog(std::uint64_t cap = kLogCap) : cap_(cap) {}
  Portion admit(std::string_view chunk);

 private:
  std::uint64_t cap_;
  std::uint64_t written_ = 0;
};

struct LocalTime {
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// The log's first line; an empty state name means no resume.
std::string logHeaderLine(const LocalTime& time, std::string_view resumedState);
std::string logClosingLine(std::uint32_t exitCode);

// ZEVR_STATE_LOAD_AT for resuming the quick-save state of that name.
std::string stateLoadValue(std::string_view stateName);

}  // namespace myr::runner
