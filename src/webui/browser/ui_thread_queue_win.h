#pragma once

#include <functional>

namespace myr::browser {

// Runs work on the UI thread from its message loop, after the current message.
// Callable from any thread once the UI thread has called it first.
void runOnUiThread(std::function<void()> work);

}  // namespace myr::browser
