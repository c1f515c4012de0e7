#include "runner/game_process_win.h"

#include <utility>

#include "foundation/files/win_text.h"

namespace myr::runner {

GameProcess::GameProcess(std::shared_ptr<const WinHandle> process, DWORD processId, std::uint64_t startTick,
                         std::thread pump)
    : process_(std::move(process)), processId_(processId), startTick_(startTick), pump_(std::move(pump)) {}

GameProcess& GameProcess::operator=(GameProcess&& other) noexcept {
  if (this != &other) {
    detachPump();
    process_ = std::move(other.process_);
    processId_ = std::exchange(other.processId_, 0);
    startTick_ = other.startTick_;
    stoppedByLauncher_ = other.stoppedByLauncher_;
    pump_ = std::move(other.pump_);
  }
  return *this;
}

GameProcess::~GameProcess() { detachPump(); }

void GameProcess::detachPump() {
  if (pump_.joinable()) pump_.detach();
}

bool GameProcess::hasEnded() const { return WaitForSingleObject(process_->get(), 0) == WAIT_OBJECT_0; }

Status GameProcess::stop() {
  // A game that has ended on its own keeps its own exit code; its end is already on the way.
  if (!tracked() || hasEnded()) return {};
  if (TerminateProcess(process_->get(), 1)) {
    stoppedByLauncher_ = true;
    return {};
  }
  const DWORD error = GetLastError();
  if (hasEnded()) return {};
  return Error{"myr.exe could not be stopped: " + systemErrorText(error), error};
}

RunEnd GameProcess::end(std::uint32_t exitCode, std::vector<std::string> tail) {
  if (pump_.joinable()) pump_.join();
  RunEnd run{exitCode, GetTickCount64() - startTick_, stoppedByLauncher_, std::move(tail)};
  *this = GameProcess();
  return run;
}

}  // namespace myr::runner
