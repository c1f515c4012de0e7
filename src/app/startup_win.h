#pragma once

#include <windows.h>

namespace myr::app {

// The whole life of the launcher process; returns its exit code.
int runLauncher(HINSTANCE instance, int showCommand);

}  // namespace myr::app
