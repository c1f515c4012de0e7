#include "runner/game_start_win.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "foundation/files/file_helpers.h"
#include "foundation/files/file_names.h"
#include "foundation/files/win_text.h"
#include "foundation/inherited_handle_list_win.h"
#include "runner/game_output.h"
#include "runner/game_output_pipe_win.h"
#include "runner/running_game_win.h"

namespace myr::runner {
namespace {

constexpr wchar_t kStateLoadVariable[] = L"ZEVR_STATE_LOAD_AT";

// Sets an environment variable of the launcher for the game to inherit, and puts the old value
// (or its absence) back when it goes.
class ScopedVariable {
 public:
  ScopedVariable(const wchar_t* name, const std::wstring& value) : name_(name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size > 0) {
      std::wstring old(size, L'\0');
      old.resize(GetEnvironmentVariableW(name, old.data(), size));
      old_ = std::move(old);
    }
    SetEnvironmentVariableW(name, value.c_str());
  }
  ~ScopedVariable() { SetEnvironmentVariableW(name_, old_ ? old_->c_str() : nullptr); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const wchar_t* name_;
  std::optional<std::wstring> old_;
};

SECURITY_ATTRIBUTES inheritable() {
  SECURITY_ATTRIBUTES attributes{};
  attributes.nLength = sizeof attributes;
  attributes.bInheritHandle = TRUE;
  return attributes;
}

WinHandle openNullInput() {
  SECURITY_ATTRIBUTES attributes = inheritable();
  return WinHandle(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &attributes, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Keeps the run before as previous_run.log and opens last_run.log anew; none when the logs
// folder or the file cannot be made: the game runs without a log file.
WinHandle openFreshLog(const std::filesystem::path& gameFolder) {
  const std::filesystem::path logs = gameFolder / L"logs";
  std::error_code ignored;
  std::filesystem::create_directories(logs, ignored);
  static_cast<void>(moveFileDurable(logs / L"last_run.log", logs / L"previous_run.log", true));
  return WinHandle(CreateFileW((logs / L"last_run.log").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
}

LocalTime localTimeNow() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

void writeHeader(HANDLE log, std::string_view resumedState) {
  if (log == nullptr) return;
  const std::string header = logHeaderLine(localTimeNow(), resumedState);
  DWORD written = 0;
  WriteFile(log, header.data(), static_cast<DWORD>(header.size()), &written, nullptr);
}

bool isStateOfThisFolder(const std::filesystem::path& gameFolder, const std::string& name) {
  if (!isStateFileName(name)) return false;
  const std::optional<std::filesystem::path> path = safeChildPath(gameFolder / L"states", name);
  if (!path) return false;
  const FileStatus status = fileStatus(*path);
  return status.exists && !status.isDirectory;
}

// The checks before anything changes on disk, in the order the player hears of them.
Status refusal(const StartRequest& request) {
  if (request.gameTracked) return Error{"The game is already running."};
  if (request.fileOperationBusy) return Error{"Wait until the file operation has finished."};
  if (!fileStatus(gamePath(request.gameFolder)).exists) {
    return Error{"myr.exe is missing: it belongs next to myr_launcher.exe (" + toUtf8(request.gameFolder.native()) +
                 ")."};
  }
  if (const DWORD running = findRunningGame(request.gameFolder, 0); running != 0) {
    return Error{"myr.exe is already running (process " + std::to_string(running) + ")."};
  }
  if (request.resume && !isStateOfThisFolder(request.gameFolder, request.stateName)) {
    return Error{"The save state " + request.stateName + " is not in states\\."};
  }
  return {};
}

struct StartedProcess {
  WinHandle process;
  DWORD processId = 0;
};

Result<StartedProcess> createGameProcess(const StartRequest& request, HANDLE output, HANDLE input) {
  std::vector<HANDLE> inherited{output};
  if (input != nullptr) inherited.push_back(input);
  const InheritedHandleList handleList(std::move(inherited));

  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = input;
  startup.StartupInfo.hStdOutput = output;
  startup.StartupInfo.hStdError = output;
  startup.lpAttributeList = handleList.get();
  DWORD flags = CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT;
  if (handleList.get() != nullptr) flags |= EXTENDED_STARTUPINFO_PRESENT;

  std::optional<ScopedVariable> stateLoad;
  if (request.resume) stateLoad.emplace(kStateLoadVariable, toWide(stateLoadValue(request.stateName)));

  const std::wstring application = gamePath(request.gameFolder).native();
  std::wstring commandLine = L"\"" + application + L"\"";
  PROCESS_INFORMATION created{};
  const auto create = [&] {
    return CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr,
                          request.gameFolder.c_str(), &startup.StartupInfo, &created);
  };
  // This error means the new process ended while it was being set up, before any of the game
  // ran (seen once under Wine on a loaded machine): a second start is safe.
  bool started = create();
  if (!started && GetLastError() == ERROR_INTERNAL_ERROR) started = create();
  if (!started) {
    const DWORD error = GetLastError();
    return Error{"myr.exe did not start: " + systemErrorText(error), error};
  }
  CloseHandle(created.hThread);
  return StartedProcess{WinHandle(created.hProcess), created.dwProcessId};
}

}  // namespace

Result<GameProcess> startGame(const StartRequest& request, LogQueue& queue, ExitedCallback onExited) {
  if (Status refused = refusal(request); !refused) return refused.error();

  WinHandle log = openFreshLog(request.gameFolder);
  Result<GamePipe> pipe = createOutputPipe();
  if (!pipe) return pipe.error();
  WinHandle nullInput = openNullInput();
  Result<StartedProcess> started = createGameProcess(request, pipe->write.get(), nullInput ? nullInput.get() : nullptr);
  // The launcher's copies must go: the pump sees the pipe close only when the game's is the last.
  pipe->write.reset();
  nullInput.reset();
  if (!started) return started.error();

  writeHeader(log ? log.get() : nullptr, request.resume ? std::string_view(request.stateName) : std::string_view());
  const std::uint64_t startTick = GetTickCount64();
  queue.clear();
  auto process = std::make_shared<const WinHandle>(std::move(started->process));
  std::thread pump = startOutputPump({std::move(pipe->read), std::move(log), process}, queue, std::move(onExited));
  return GameProcess(std::move(process), started->processId, startTick, std::move(pump));
}

}  // namespace myr::runner
