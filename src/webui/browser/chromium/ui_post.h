#pragma once

#include <functional>

namespace myr::browser::chromium {

// Hands work to the UI thread's message loop; false when it could not be posted.
using UiPost = std::function<bool(std::function<void()>)>;

}  // namespace myr::browser::chromium
