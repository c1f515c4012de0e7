#pragma once

#include <windows.h>

#include <cstdint>
#include <thread>

#include "foundation/files/win_handle.h"

namespace myr::runner {

// The game the launcher started; at most one at a time, owned by the launcher. UI thread.
struct GameProcess {
  WinHandle process;
  DWORD processId = 0;
  std::uint64_t startTick = 0;
  bool stoppedByLauncher = false;
  std::thread pump;

  bool tracked() const { return static_cast<bool>(process); }
};

}  // namespace myr::runner
