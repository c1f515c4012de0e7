#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "foundation/error.h"
#include "foundation/files/win_handle.h"
#include "runner/exit_record.h"

namespace myr::runner {

// The game the launcher started and the thread that pumps its output; at most one at a time,
// owned by the UI thread. Destroying it while the game runs (the launcher is closing) leaves
// the game running and the pump detached.
class GameProcess {
 public:
  GameProcess() = default;
  GameProcess(std::shared_ptr<const WinHandle> process, DWORD processId, std::uint64_t startTick, std::thread pump);
  GameProcess(GameProcess&&) noexcept = default;
  GameProcess& operator=(GameProcess&& other) noexcept;
  ~GameProcess();

  bool tracked() const { return process_ != nullptr; }
  DWORD processId() const { return processId_; }
  std::uint64_t startTick() const { return startTick_; }
  bool stoppedByLauncher() const { return stoppedByLauncher_; }

  // Ends the game with exit code 1; the end then arrives through the pump as for any end.
  Status stop();

  // Once the pump has reported the exit code: joins it, stops tracking the game and tells how
  // the run went, for buildExitRecord.
  RunEnd end(std::uint32_t exitCode, std::vector<std::string> tail);

 private:
  void detachPump();
  bool hasEnded() const;

  // Shared with the pump, which waits on it after this record may be gone.
  std::shared_ptr<const WinHandle> process_;
  DWORD processId_ = 0;
  std::uint64_t startTick_ = 0;
  bool stoppedByLauncher_ = false;
  std::thread pump_;
};

}  // namespace myr::runner
