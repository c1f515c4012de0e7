#pragma once

#include <functional>
#include <memory>
#include <thread>

#include "foundation/files/win_handle.h"
#include "runner/log_queue.h"

namespace myr::runner {

// Called on the pump thread, last, with the game's exit code.
using ExitedCallback = std::function<void(unsigned long exitCode)>;

struct PumpHandles {
  WinHandle pipe;  // read end of the game's output
  WinHandle log;   // last_run.log, or none
  std::shared_ptr<const WinHandle> process;
};

// Reads the game's output until every writer has closed the pipe: into the capped log and, as
// lines, into the queue; then waits for the game, closes the log with the exit code and reports
// it. The queue must outlive the thread.
std::thread startOutputPump(PumpHandles handles, LogQueue& queue, ExitedCallback onExited);

}  // namespace myr::runner
