#pragma once

#include <memory>
#include <string>

#include "webui/browser/browser_win.h"

namespace myr::browser {

// The engine named by MYR_LAUNCHER_BROWSER ("stdio"), else the best one this build has.
// An engine that is not available fails environment creation with kEngineNotFound.
std::unique_ptr<Engine> makeEngine(const std::string& choice);

}  // namespace myr::browser
