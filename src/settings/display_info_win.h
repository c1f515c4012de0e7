#pragma once

#include <windows.h>

#include <string_view>

#include "settings/display_info.h"

namespace myr::settings {

// The monitor of the window (the primary one when the window is on none), or with no window the
// monitor at the point (0, 0). Asks the system once for each fact and never retries.
DisplayInfo queryDisplayInfo(HWND window);

// The exact rate of the first active display path whose source is the named device (such as
// \\.\DISPLAY1); the fallback when there is none or the display configuration cannot be read.
double displayPathRefreshHz(std::wstring_view deviceName, double fallback);

}  // namespace myr::settings
