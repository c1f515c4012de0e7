#include "runner/output_pump_win.h"

#include <windows.h>

#include <exception>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/files/win_text.h"
#include "runner/game_output.h"

namespace myr::runner {
namespace {

// Log writes may fail (a full disk); the game's run matters more than its log.
void writeToLog(HANDLE log, std::string_view bytes) {
  while (log != nullptr && !bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(log, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written == 0) {
      return;
    }
    bytes.remove_prefix(written);
  }
}

// How long the pump waits for the game to end while its pipe is empty.
constexpr DWORD kIdleWaitMs = 20;

// Waits until the pipe has bytes to read (true), or until every writer has closed it or the game
// has ended with nothing left to read (false). A process the game started, or the system's console
// host, may inherit the pipe and keep it open after the game has gone: the game's end counts.
bool awaitOutput(HANDLE pipe, HANDLE process) {
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available > 0) return true;
    if (WaitForSingleObject(process, kIdleWaitMs) == WAIT_OBJECT_0) {
      return PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0;
    }
  }
}

void pumpOutput(HANDLE pipe, HANDLE process, HANDLE log, LogQueue& queue) {
  std::string buffer(kPumpReadSize, '\0');
  CappedLog capped;
  OutputLines splitter(&localTextToUtf8);
  std::vector<std::string> lines;
  while (awaitOutput(pipe, process)) {
    DWORD read = 0;
    if (!ReadFile(pipe, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) || read == 0) break;
    const std::string_view chunk(buffer.data(), read);
    const CappedLog::Portion portion = capped.admit(chunk);
    writeToLog(log, portion.output);
    writeToLog(log, portion.marker);
    splitter.feed(chunk, lines);
    queue.pushAll(lines);
  }
  splitter.finish(lines);
  queue.pushAll(lines);
}

unsigned long waitForExitCode(HANDLE process) {
  WaitForSingleObject(process, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  return code;
}

void runPump(PumpHandles handles, LogQueue& queue, const ExitedCallback& onExited) {
  HANDLE log = handles.log ? handles.log.get() : nullptr;
  try {
    pumpOutput(handles.pipe.get(), handles.process->get(), log, queue);
  } catch (const std::exception&) {
    // Out of memory for lines: stop reading; the game's end is still reported.
  }
  handles.pipe.reset();
  const unsigned long code = waitForExitCode(handles.process->get());
  writeToLog(log, logClosingLine(code));
  handles.log.reset();
  onExited(code);
}

}  // namespace

std::thread startOutputPump(PumpHandles handles, LogQueue& queue, ExitedCallback onExited) {
  return std::thread([handles = std::move(handles), &queue, onExited = std::move(onExited)]() mutable {
    runPump(std::move(handles), queue, onExited);
  });
}

}  // namespace myr::runner
