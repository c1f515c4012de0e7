#pragma once

// The pipe that carries the game's standard output and error, and its reader.

#include <cstddef>
#include <functional>
#include <optional>
#include <span>

#include "foundation/error.h"
#include "foundation/files/win_handle.h"

namespace myr::runner {

struct GamePipe {
  WinHandle read;   // overlapped, kept by the launcher
  WinHandle write;  // inheritable, for the game alone
};

Result<GamePipe> createOutputPipe();

// Reads the game's output until the pipe closes or, should a process the game started (or the
// system's console host) keep it open, until the game has ended and the pipe is empty. One read
// waits for the pipe and the game's end together, so a read costs no more than a plain one.
class GameOutputReader {
 public:
  GameOutputReader(HANDLE pipe, HANDLE game);
  ~GameOutputReader();
  GameOutputReader(const GameOutputReader&) = delete;
  GameOutputReader& operator=(const GameOutputReader&) = delete;

  // Bytes read into room; nothing at the end. whileIdle runs when the pipe is empty, before the
  // reader waits for more.
  std::optional<std::size_t> read(std::span<char> room, const std::function<void()>& whileIdle);

 private:
  std::optional<std::size_t> result(bool waited);

  HANDLE pipe_;
  HANDLE game_;
  WinHandle event_;
  OVERLAPPED overlapped_{};
  bool gameEnded_ = false;
};

}  // namespace myr::runner
