#pragma once

#include <windows.h>

#include "app/launcher_win.h"

namespace myr::app {

// The whole life of the launcher process; returns its exit code. Nothing escapes it: an
// exception ends it with code 1 and its message in logs\launcher.log, and from its start
// std::terminate leaves a line there too.
int runLauncher(HINSTANCE instance, int showCommand);
// The same with the browser engines makeEngine makes.
int runLauncher(HINSTANCE instance, int showCommand, const EngineFactory& makeEngine);

}  // namespace myr::app
