#include "runner/game_output_pipe_win.h"

#include <windows.h>

#include <atomic>
#include <string>

#include "foundation/files/win_text.h"

namespace myr::runner {
namespace {

constexpr DWORD kPipeBufferSize = 65536;

Error pipeError(DWORD code) { return Error{"No pipe for the game's output: " + systemErrorText(code), code}; }

// Anonymous pipes cannot be read overlapped, so the pipe has a name no one else uses and one
// instance, which only this machine may open and which the launcher connects itself at once.
std::wstring uniquePipeName() {
  static std::atomic<unsigned> made{0};
  return L"\\\\.\\pipe\\myr_launcher.output." + std::to_wstring(GetCurrentProcessId()) + L"." +
         std::to_wstring(GetTickCount64()) + L"." + std::to_wstring(made++);
}

}  // namespace

// Only the write end goes to the game: an inherited read end would keep the pipe open after
// the game's end, and the pump would never see it close.
Result<GamePipe> createOutputPipe() {
  const std::wstring name = uniquePipeName();
  WinHandle read(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                  PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                                  kPipeBufferSize, kPipeBufferSize, 0, nullptr));
  if (!read) return pipeError(GetLastError());
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  WinHandle write(CreateFileW(name.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, &inheritable, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!write) return pipeError(GetLastError());
  return GamePipe{std::move(read), std::move(write)};
}

GameOutputReader::GameOutputReader(HANDLE pipe, HANDLE game)
    : pipe_(pipe), game_(game), event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  overlapped_.hEvent = event_.get();
}

GameOutputReader::~GameOutputReader() {
  // A read still under way writes into the caller's room: it must be over before that goes.
  if (event_ && CancelIoEx(pipe_, &overlapped_)) {
    DWORD ignored = 0;
    GetOverlappedResult(pipe_, &overlapped_, &ignored, TRUE);
  }
}

std::optional<std::size_t> GameOutputReader::read(std::span<char> room, const std::function<void()>& whileIdle) {
  if (!event_) return std::nullopt;
  if (ReadFile(pipe_, room.data(), static_cast<DWORD>(room.size()), nullptr, &overlapped_)) return result(false);
  if (GetLastError() != ERROR_IO_PENDING) return std::nullopt;
  if (!gameEnded_) {
    whileIdle();
    const HANDLE both[] = {event_.get(), game_};
    gameEnded_ = WaitForMultipleObjects(2, both, FALSE, INFINITE) != WAIT_OBJECT_0;
  }
  // Once the game has ended, only what is already in the pipe is read: an empty pipe ends it.
  if (gameEnded_) CancelIoEx(pipe_, &overlapped_);
  return result(true);
}

std::optional<std::size_t> GameOutputReader::result(bool waited) {
  DWORD got = 0;
  if (!GetOverlappedResult(pipe_, &overlapped_, &got, waited ? TRUE : FALSE) || got == 0) return std::nullopt;
  return got;
}

}  // namespace myr::runner
