#include "runner/game_process_win.h"

namespace myr::runner {

GameProcess& gameProcess() {
  static GameProcess game;
  return game;
}

}  // namespace myr::runner
