#include "runner/play_time.h"

#include <charconv>
#include <limits>

#include "foundation/bytes/byte_reader.h"
#include "foundation/bytes/checked_size.h"

namespace myr::runner {
namespace {

// The last millisecond of the year 9999: later ends are a damaged number, not a date.
constexpr std::uint64_t kLatestEndMs = 253402300799999;

// The next line without its line feed; nothing at the end, or for a last line the write of
// which was cut off before its line feed.
std::optional<std::string_view> takeLine(ByteReader& reader) {
  const std::size_t start = reader.position();
  while (reader.remaining() > 0) {
    if (reader.u8() == '\n') {
      const std::size_t end = reader.position();
      reader.seek(start);
      const std::string_view line = reader.text(end - 1 - start);
      reader.skip(1);
      return line;
    }
  }
  return std::nullopt;
}

// Splits off the text up to the next blank (or the end); false for an empty field.
bool takeNumber(std::string_view& rest, std::uint64_t& value) {
  const std::size_t blank = rest.find(' ');
  const std::string_view field = rest.substr(0, blank);
  rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  return !field.empty() && error == std::errc() && end == field.data() + field.size();
}

}  // namespace

std::string runLine(const RunLine& run) {
  return std::to_string(run.endedMs) + " " + std::to_string(run.seconds) + " " + std::to_string(run.exitCode) + "\n";
}

std::optional<RunLine> parseRunLine(std::string_view line) {
  if (line.ends_with('\r')) line.remove_suffix(1);
  std::uint64_t ended = 0;
  std::uint64_t seconds = 0;
  std::uint64_t code = 0;
  if (line.empty() || line.back() == ' ' || !takeNumber(line, ended) || !takeNumber(line, seconds) ||
      !takeNumber(line, code) || !line.empty()) {
    return std::nullopt;
  }
  // A run cannot have begun before 1970 nor end after 9999.
  const std::optional<std::uint64_t> playedMs = checkedMul<std::uint64_t>(seconds, 1000);
  if (ended > kLatestEndMs || !playedMs || *playedMs > ended || code > std::numeric_limits<std::uint32_t>::max()) {
    return std::nullopt;
  }
  return RunLine{ended, seconds, static_cast<std::uint32_t>(code)};
}

PlayTime playTimeOf(std::string_view runsLog) {
  PlayTime playTime;
  ByteReader reader(runsLog);
  while (const std::optional<std::string_view> line = takeLine(reader)) {
    const std::optional<RunLine> run = parseRunLine(*line);
    if (!run) continue;
    const std::optional<std::uint64_t> total = checkedAdd(playTime.seconds, run->seconds);
    if (!total) continue;
    playTime.seconds = *total;
    ++playTime.runs;
    if (!playTime.lastPlayedMs || run->endedMs > *playTime.lastPlayedMs) playTime.lastPlayedMs = run->endedMs;
  }
  return playTime;
}

json::Value playTimeJson(const PlayTime& playTime) {
  json::Value result = json::Value::object();
  result.set("runs", static_cast<double>(playTime.runs))
      .set("seconds", static_cast<double>(playTime.seconds))
      .set("lastPlayed",
           playTime.lastPlayedMs ? json::Value(static_cast<double>(*playTime.lastPlayedMs)) : json::Value());
  return result;
}

}  // namespace myr::runner
