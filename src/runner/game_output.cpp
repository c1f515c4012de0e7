#include "runner/game_output.h"

#include <cinttypes>
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

void OutputLines::feed(std::string_view chunk, std::vector<std::string>& lines) {
  std::size_t feed = chunk.find('\n');
  if (feed == std::string_view::npos) {
    carry_.append(chunk);
    cutLongCarry(lines);
    return;
  }
  // The first line may have begun in earlier chunks; the others lie within this one.
  carry_.append(chunk.substr(0, feed));
  lines.push_back(logLineText(carry_, toUtf8_));
  carry_.clear();
  std::size_t start = feed + 1;
  while ((feed = chunk.find('\n', start)) != std::string_view::npos) {
    lines.push_back(logLineText(chunk.substr(start, feed - start), toUtf8_));
    start = feed + 1;
  }
  carry_.assign(chunk.substr(start));
  cutLongCarry(lines);
}

void OutputLines::finish(std::vector<std::string>& lines) {
  if (!carry_.empty()) lines.push_back(logLineText(carry_, toUtf8_));
  carry_.clear();
}

void OutputLines::cutLongCarry(std::vector<std::string>& lines) {
  std::size_t start = 0;
  while (carry_.size() - start > kLongestUnterminated) {
    const std::string_view rest = std::string_view(carry_).substr(start);
    const std::size_t piece = cutPosition(rest, kLongestUnterminated);
    lines.push_back(logLineText(rest.substr(0, piece), toUtf8_));
    start += piece;
  }
  carry_.erase(0, start);
}

CappedLog::Portion CappedLog::admit(std::string_view chunk) {
  if (written_ >= cap_) return {};
  written_ += chunk.size();
  if (written_ >= cap_) return {chunk, kCapMarker};
  return {chunk, {}};
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
