#pragma once

#include <optional>
#include <string>

#include "webui/browser/browser_win.h"

namespace myr {

// Starts the page in the main window unless it is already started.
void startUi();

// Handlers of the view's events: the page must never turn into a browser.
void onNavigationStarting(browser::NavigationStarting& navigation);
void onNewWindowRequested(browser::NewWindowRequest& request);
void onDownloadStarting(browser::DownloadStarting& download);
void onProcessFailed(browser::ProcessFailure failure);

// Writes a picture of the page to the capture path and ends the launcher.
void capturePage();

// The debugging port of MYR_LAUNCHER_DEVTOOLS_PORT: a whole decimal number from 1024 to 65535.
std::optional<long> parseDebuggingPort(const std::string& text);

}  // namespace myr
