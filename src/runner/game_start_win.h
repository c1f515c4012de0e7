#pragma once

#include <filesystem>
#include <string>

#include "foundation/error.h"
#include "runner/game_process_win.h"
#include "runner/log_queue.h"
#include "runner/output_pump_win.h"

namespace myr::runner {

// What a start needs to know of the launcher's state.
struct StartRequest {
  std::filesystem::path gameFolder;
  bool gameTracked = false;
  bool fileOperationBusy = false;
  bool resume = false;
  std::string stateName;  // UTF-8; used only when resuming
};

// Starts myr.exe with its output piped into logs\last_run.log (the previous one kept as
// previous_run.log) and, line by line, into the queue, which is emptied first. onExited runs on
// the pump thread when the game has ended. Refusals and failures are sentences for the player.
Result<GameProcess> startGame(const StartRequest& request, LogQueue& queue, ExitedCallback onExited);

}  // namespace myr::runner
