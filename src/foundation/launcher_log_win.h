#pragma once

// logs\launcher.log, the launcher's own log: UTF-8, one line per event with its time. Each start
// keeps the previous run's log as launcher.previous.log. Bounded: past the limit one last line
// says so and later messages are dropped, so a failure repeated in a loop cannot fill the disk.

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string_view>

#include "foundation/files/win_handle.h"
#include "foundation/log_sink.h"

namespace myr {

class LauncherLog final : public LogSink {
 public:
  static constexpr std::uint64_t kLimitBytes = std::uint64_t{4} << 20;

  // A log that cannot be opened (a read-only folder) drops every message.
  explicit LauncherLog(const std::filesystem::path& gameFolder);

  void note(std::string_view message) override;

 private:
  std::mutex mutex_;
  WinHandle file_;
  std::uint64_t written_ = 0;
  bool full_ = false;
};

// The launcher's last words, added to the log of this run without the LauncherLog, which may be
// gone (a start that failed) or in the middle of a line (a thread that ended the process).
class AppendingLauncherLog final : public LogSink {
 public:
  explicit AppendingLauncherLog(std::filesystem::path gameFolder) : gameFolder_(std::move(gameFolder)) {}
  void note(std::string_view message) override;

 private:
  std::filesystem::path gameFolder_;
};

// From now on, std::terminate writes what it knows into the game folder's launcher.log before
// the process ends.
void noteTerminationInLauncherLog(const std::filesystem::path& gameFolder);

}  // namespace myr
