#include "runner/game_output.h"

#include <cinttypes>
#include <algorithm>
#include <cstdio>

#include "foundation/version.h"

namespace myr::runner {
namespace {

bool isContinuationByte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }
bool isLeadByte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0xC0; }

}  // namespace

std::size_t cutPosition(std::string_view text, std::size_t limit) {
  if (text.size() <= limit || !isContinuationByte(text[limit])) return limit;
  // A UTF-8 character is at most 4 bytes: its lead byte lies within the 3 before the cut.
  for (std::size_t back = 1; back <= 3 && back <= limit; ++back) {
    const char byte = text[limit - back];
    if (isLeadByte(byte)) return limit - back;
    if (!isContinuationByte(byte)) break;
  }
  return limit;
}

std::string logLineText(std::string_view line, TextConverter toUtf8) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return toUtf8(line.substr(0, cutPosition(line, kLongestLine)));
}

void pushLogLine(LogQueue& queue, std::string_view line, TextConverter toUtf8) {
  queue.push(logLineText(line, toUtf8));
}

void pushLogLines(LogQueue& queue, std::span<const std::string_view> lines, TextConverter toUtf8) {
  const std::size_t dropped = lines.size() > LogQueue::kMaxPending ? lines.size() - LogQueue::kMaxPending : 0;
  std::vector<std::string> kept;
  kept.reserve(lines.size() - dropped);
  for (const std::string_view line : lines.subspan(dropped)) kept.push_back(logLineText(line, toUtf8));
  queue.pushAll(kept, dropped);
}

CappedLog::Portion CappedLog::admit(std::string_view chunk) {
  if (written_ >= cap_) return {};
  written_ += chunk.size();
  if (written_ >= cap_) return {chunk, kCapMarker};
  return {chunk, {}};
}

OutputBlock::OutputBlock(std::size_t reads, std::uint64_t logCap)
    : buffer_(kLongestUnterminated + reads * kPumpReadSize), cap_(logCap) {}

std::span<char> OutputBlock::room() {
  if (full()) keepCarry();
  return {buffer_.data() + end_, kPumpReadSize};
}

bool OutputBlock::full() const { return buffer_.size() - end_ < kPumpReadSize; }

void OutputBlock::added(std::size_t size) {
  const std::string_view read(buffer_.data() + end_, size);
  for (std::size_t feed = read.find('\n'); feed != std::string_view::npos; feed = read.find('\n', feed + 1)) {
    const std::size_t at = end_ + feed;
    lines_.emplace_back(buffer_.data() + lineStart_, at - lineStart_);
    lineStart_ = at + 1;
  }
  const CappedLog::Portion portion = cap_.admit(read);
  end_ += size;
  if (!portion.output.empty()) logEnd_ = end_;
  if (!portion.marker.empty()) marker_ = portion.marker;
  cutLongCarry();
}

void OutputBlock::finish() {
  if (end_ > lineStart_) lines_.emplace_back(buffer_.data() + lineStart_, end_ - lineStart_);
  lineStart_ = end_;
}

void OutputBlock::cutLongCarry() {
  while (end_ - lineStart_ > kLongestUnterminated) {
    const std::string_view rest(buffer_.data() + lineStart_, end_ - lineStart_);
    const std::size_t piece = cutPosition(rest, kLongestUnterminated);
    lines_.push_back(rest.substr(0, piece));
    lineStart_ += piece;
  }
}

void OutputBlock::keepCarry() {
  std::copy(buffer_.begin() + static_cast<std::ptrdiff_t>(lineStart_), buffer_.begin() + static_cast<std::ptrdiff_t>(end_),
            buffer_.begin());
  end_ -= lineStart_;
  lineStart_ = 0;
  logged_ = end_;
  logEnd_ = end_;
}

std::string logHeaderLine(const LocalTime& time, std::string_view resumedState) {
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u", time.year, time.month, time.day, time.hour,
                time.minute, time.second);
  std::string line = "[myr_launcher ";
  line += kLauncherVersion;
  line += "] ";
  line += stamp;
  line += " myr.exe started";
  if (!resumedState.empty()) {
    line += ", resuming ";
    line += resumedState;
  }
  line += "\r\n";
  return line;
}

std::string logClosingLine(std::uint32_t exitCode) {
  char line[96];
  std::snprintf(line, sizeof line, "\r\n[myr_launcher] myr.exe ended with code %" PRIu32 " (0x%08" PRIX32 ")\r\n",
                exitCode, exitCode);
  return line;
}

std::string stateLoadValue(std::string_view stateName) { return "30:states\\" + std::string(stateName); }

}  // namespace myr::runner
