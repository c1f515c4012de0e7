#include "runner/game_process.h"

namespace myr::runner {

GameProcess& gameProcess() {
  static GameProcess game;
  return game;
}

}  // namespace myr::runner
