#pragma once

#include <string>

#include "foundation/json/json.h"

namespace myr::runner {

// Why "play" cannot start the game with this disc state, or empty when the game's files are in
// place. The disc state is {"ok", "error", "discFolder", "extract": {"running", "error"}}.
std::string playRefusal(const json::Value& discState);

}  // namespace myr::runner
