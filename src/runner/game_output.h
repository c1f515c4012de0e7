#pragma once

// What becomes of the game's output: lines for the page and a bounded log file. Pure text
// handling; the pump thread feeds it with what it reads from the game's pipe.

#include <cstddef>
#include <cstdint>
#include <string>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "runner/log_queue.h"

namespace myr::runner {

inline constexpr std::size_t kPumpReadSize = 16384;
inline constexpr std::size_t kBlockReads = 64;
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

// Any thread: lines of game output made page lines and queued in one go. Lines the queue would
// drop at once (all but the newest 4000) are counted without being made.
void pushLogLines(LogQueue& queue, std::span<const std::string_view> lines, TextConverter toUtf8);

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

// The game's output gathered over several reads in one block, so that the log gets it in one
// write and lines are cut out in place: only the lines that reach the queue are ever copied.
// Lines are cut however the reads fall; text without a line feed is cut into pieces of 8000
// bytes so that a game that never ends its line cannot grow the carry.
class OutputBlock {
 public:
  struct Gathered {
    std::string_view log;     // output for the log file since the last drain, capped
    std::string_view marker;  // the cap marker, once
    std::span<const std::string_view> lines;  // raw lines completed since the last drain
  };

  explicit OutputBlock(std::size_t reads = kBlockReads, std::uint64_t logCap = kLogCap);

  // Where the next read goes; once the block is full and drained, the carry moves to the front.
  std::span<char> room();
  // The last read put size bytes into room.
  void added(std::size_t size);
  // No room is left for another read: drain it before asking for room.
  bool full() const;
  // Once the output has ended: the unterminated rest becomes a line.
  void finish();
  // Hands what was gathered since the last drain to use, whose views last until it returns. Safe
  // while a read into room is under way: nothing in the block moves.
  template <class Use>
  void drain(Use use) {
    use(Gathered{std::string_view(buffer_.data() + logged_, logEnd_ - logged_), std::exchange(marker_, {}), lines_});
    lines_.clear();
    logged_ = logEnd_;
  }

 private:
  void cutLongCarry();
  void keepCarry();

  std::vector<char> buffer_;
  std::size_t end_ = 0;        // bytes in the buffer
  std::size_t lineStart_ = 0;  // where the unterminated line begins
  std::size_t logged_ = 0;     // bytes already handed to the log
  std::size_t logEnd_ = 0;     // end of what the cap lets into the log
  std::string_view marker_;
  std::vector<std::string_view> lines_;
  CappedLog cap_;
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
