#include "foundation/launcher_log_win.h"

#include <windows.h>

#include <string>

#include "foundation/launcher_log.h"

namespace myr {
namespace {

LogTime localTimeNow() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return LogTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

}  // namespace

LauncherLog::LauncherLog(const std::filesystem::path& gameFolder) {
  const std::filesystem::path folder = gameFolder / L"logs";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::filesystem::path current = folder / L"launcher.log";
  MoveFileExW(current.c_str(), (folder / L"launcher.previous.log").c_str(), MOVEFILE_REPLACE_EXISTING);
  // Others may read it while the launcher runs (the Maintenance page opens it).
  file_.reset(CreateFileW(current.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void LauncherLog::note(std::string_view message) {
  std::string line = launcherLogLine(localTimeNow(), message);
  const std::lock_guard lock(mutex_);
  if (!file_ || full_) return;
  // Room is kept for the line that says the log is full.
  constexpr std::uint64_t kRoomForLastLine = 128;
  if (written_ + line.size() > kLimitBytes - kRoomForLastLine) {
    full_ = true;
    line = launcherLogLine(localTimeNow(), "The log is full: later messages are left out.");
  }
  DWORD done = 0;
  if (WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &done, nullptr)) written_ += done;
}

}  // namespace myr
