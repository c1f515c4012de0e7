#include "runner/output_pump_win.h"

#include <windows.h>

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "foundation/files/win_text.h"
#include "runner/game_output.h"
#include "runner/game_output_pipe_win.h"

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

void pumpOutput(HANDLE pipe, HANDLE process, HANDLE log, LogQueue& queue) {
  GameOutputReader reader(pipe, process);
  OutputBlock block;
  // Whatever was gathered goes out when the block is full, and whenever the game is quiet, so
  // that the log and the page are never behind a game that waits.
  const std::function<void()> handOver = [&] {
    block.drain([&](const OutputBlock::Gathered& gathered) {
      writeToLog(log, gathered.log);
      writeToLog(log, gathered.marker);
      pushLogLines(queue, gathered.lines, &localTextToUtf8);
    });
  };
  while (const std::optional<std::size_t> read = reader.read(block.room(), handOver)) {
    block.added(*read);
    if (block.full()) handOver();
  }
  block.finish();
  handOver();
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
