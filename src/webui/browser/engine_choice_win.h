#pragma once

#include <memory>
#include <string>

#include "foundation/log_sink.h"
#include "webui/browser/browser_win.h"
#include "webui/browser/ui_thread_queue_win.h"

namespace myr::browser {

// The engine named by MYR_LAUNCHER_BROWSER ("stdio"), else the best one this build has.
// An engine that is not available fails environment creation with kEngineNotFound.
// Asynchronous results arrive through the queue; the engine's own failures go to log.
std::unique_ptr<Engine> makeEngine(const std::string& choice, std::shared_ptr<UiThreadQueue> queue, LogSink& log);

}  // namespace myr::browser
