#include "foundation/launcher_log_win.h"

#include <windows.h>

#include <cstdlib>
#include <exception>
#include <string>

#include "foundation/guard.h"
#include "foundation/launcher_log.h"

namespace myr {
namespace {

// Others may read and add to it while the launcher runs (the Maintenance page opens it; the
// last words of a failing launcher are appended).
constexpr DWORD kShared = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

LogTime localTimeNow() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return LogTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

std::filesystem::path logsFolder(const std::filesystem::path& gameFolder) {
  const std::filesystem::path folder = gameFolder / L"logs";
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

void appendLine(const std::filesystem::path& gameFolder, std::string_view message) {
  const WinHandle file(CreateFileW((logsFolder(gameFolder) / L"launcher.log").c_str(), FILE_APPEND_DATA, kShared,
                                   nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  const std::string line = launcherLogLine(localTimeNow(), message);
  DWORD written = 0;
  WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// std::set_terminate takes a plain function: where it writes has to be kept where it can find it.
std::filesystem::path terminationLogFolder;

[[noreturn]] void noteTerminationAndAbort() {
  try {
    std::string words = "The launcher stops on thread " + std::to_string(GetCurrentThreadId()) + ": ";
    words += std::current_exception() ? "an exception nobody caught: " + currentExceptionText()
                                      : std::string("std::terminate was called");
    appendLine(terminationLogFolder, words);
  } catch (...) {
  }
  std::abort();
}

}  // namespace

LauncherLog::LauncherLog(const std::filesystem::path& gameFolder) {
  const std::filesystem::path folder = logsFolder(gameFolder);
  const std::filesystem::path current = folder / L"launcher.log";
  MoveFileExW(current.c_str(), (folder / L"launcher.previous.log").c_str(), MOVEFILE_REPLACE_EXISTING);
  file_.reset(CreateFileW(current.c_str(), FILE_APPEND_DATA, kShared, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr));
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

void AppendingLauncherLog::note(std::string_view message) { appendLine(gameFolder_, message); }

void noteTerminationInLauncherLog(const std::filesystem::path& gameFolder) {
  terminationLogFolder = gameFolder;
  std::set_terminate(&noteTerminationAndAbort);
}

}  // namespace myr
