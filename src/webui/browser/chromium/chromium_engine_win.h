#pragma once

#include <memory>

#include "webui/browser/browser_win.h"
#include "webui/browser/chromium/ui_post.h"

namespace myr::browser::chromium {

// A real Chromium-family browser (Debian's under Wine; Edge or Chrome on Windows) driven through
// the DevTools protocol. It runs headless; its frames are painted into the launcher's window and
// the player's input is forwarded to it. Without a browser, environment creation fails with
// kEngineNotFound.
std::unique_ptr<Engine> makeChromiumEngine(UiPost post);

// Whether this machine has a browser the engine can use.
bool chromiumAvailable();

}  // namespace myr::browser::chromium
