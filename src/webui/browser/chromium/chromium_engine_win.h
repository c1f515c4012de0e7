#pragma once

#include <memory>

#include "foundation/log_sink.h"
#include "webui/browser/browser_win.h"
#include "webui/browser/chromium/ui_post.h"

namespace myr::browser::chromium {

// A real Chromium-family browser (Debian's under Wine; Edge or Chrome on Windows) driven through
// the DevTools protocol over its pipe. It runs headless; its frames are painted into the
// launcher's window and the player's input is forwarded to it. Without a browser, environment
// creation fails with kEngineNotFound. What goes wrong goes to log, which must outlive the engine
// and everything it made.
std::unique_ptr<Engine> makeChromiumEngine(UiPost post, LogSink& log);

// Whether this machine has a browser the engine can use.
bool chromiumAvailable();

}  // namespace myr::browser::chromium
