#pragma once

// Named moments inside work that changes the player's files, where a robustness test can stop the
// launcher to end it there. The product never installs a handler: reaching a point costs one
// atomic load. Only the test build of the launcher installs one.

#include <string_view>

namespace myr {

using PauseHandler = void (*)(std::string_view point);

// Called from any thread that reaches a point; may block for ever.
void setPauseHandler(PauseHandler handler);

void reachPausePoint(std::string_view point);

}  // namespace myr
