#include "webui/browser/chromium/devtools_pipe_win.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "foundation/files/win_text.h"

namespace myr::browser::chromium {
namespace {

constexpr DWORD kPipeBuffer = 1024 * 1024;
constexpr std::chrono::seconds kWrapperTimeout{10};
constexpr std::chrono::milliseconds kPollInterval{10};

// A pipe is opened by the launcher itself at once: its name only has to be new.
std::atomic<unsigned> pipesMade{0};

std::wstring newPipeName() { return std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++pipesMade); }

Error pipeError(const std::string& step, DWORD code) {
  return Error{"The browser could not be started: its pipe (" + step + "): " + systemErrorText(code), code};
}

struct PipePair {
  WinHandle launcherEnd;
  WinHandle browserEnd;
};

Result<PipePair> namedPipe(DWORD launcherDirection, DWORD browserAccess) {
  const std::wstring name = L"\\\\.\\pipe\\myr_launcher-devtools-" + newPipeName();
  PipePair pair;
  pair.launcherEnd.reset(CreateNamedPipeW(
      name.c_str(), launcherDirection | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, kPipeBuffer, kPipeBuffer, 0,
      nullptr));
  if (!pair.launcherEnd) {
    return pipeError("create", GetLastError());
  }
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  pair.browserEnd.reset(CreateFileW(name.c_str(), browserAccess, 0, &inheritable, OPEN_EXISTING, 0, nullptr));
  if (!pair.browserEnd) {
    return pipeError("open", GetLastError());
  }
  return pair;
}

bool isThere(const std::filesystem::path& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

Result<WinHandle> openFifo(const std::filesystem::path& path, DWORD access, DWORD flags) {
  WinHandle fifo(CreateFileW(path.c_str(), access, 0, nullptr, OPEN_EXISTING, flags, nullptr));
  if (!fifo) {
    return pipeError(toUtf8(path.native()), GetLastError());
  }
  return fifo;
}

}  // namespace

Result<InheritedPipe> makeInheritedPipe() {
  Result<PipePair> commands = namedPipe(PIPE_ACCESS_OUTBOUND, GENERIC_READ | FILE_WRITE_ATTRIBUTES);
  if (!commands) {
    return commands.error();
  }
  Result<PipePair> replies = namedPipe(PIPE_ACCESS_INBOUND, GENERIC_WRITE | FILE_READ_ATTRIBUTES);
  if (!replies) {
    return replies.error();
  }
  return InheritedPipe{DevToolsPipe{std::move(commands->launcherEnd), std::move(replies->launcherEnd)},
                       std::move(commands->browserEnd), std::move(replies->browserEnd)};
}

std::filesystem::path newFifoFolder(const std::filesystem::path& parent) {
  return parent / (L"DevToolsPipe-" + newPipeName());
}

// Asking Wine about a FIFO itself can wait for its other end: the wrapper's "ready" tells when
// all three exist.
Result<DevToolsPipe> openWrapperFifos(const std::filesystem::path& folder, WinHandle& lifeline) {
  const auto deadline = std::chrono::steady_clock::now() + kWrapperTimeout;
  while (!isThere(folder / L"ready")) {
    if (std::chrono::steady_clock::now() > deadline) {
      return Error{"The browser could not be started: its wrapper made no pipe in time."};
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  Result<WinHandle> commands = openFifo(folder / L"in", GENERIC_WRITE, FILE_FLAG_OVERLAPPED);
  if (!commands) {
    return commands.error();
  }
  Result<WinHandle> replies = openFifo(folder / L"out", GENERIC_READ, FILE_FLAG_OVERLAPPED);
  if (!replies) {
    return replies.error();
  }
  Result<WinHandle> life = openFifo(folder / L"life", GENERIC_READ | GENERIC_WRITE, 0);
  if (!life) {
    return life.error();
  }
  lifeline = std::move(*life);
  // The wrapper removes the folder once it holds its ends: from then on the browser's end of
  // "out" stays open until the browser ends, and reading nothing there means it ended.
  while (isThere(folder)) {
    if (std::chrono::steady_clock::now() > deadline) {
      return Error{"The browser could not be started: its wrapper did not take its pipe in time."};
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  return DevToolsPipe{std::move(*commands), std::move(*replies)};
}

}  // namespace myr::browser::chromium
