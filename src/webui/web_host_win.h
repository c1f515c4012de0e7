#pragma once

#include <memory>

#include "webui/browser/browser_win.h"

namespace myr {

// The browser objects of the page, owned by the UI thread. The view is absent before the
// controller exists, after the window is destroyed and while a failed browser is re-created.
struct WebHost {
  std::unique_ptr<browser::Engine> engine;
  std::shared_ptr<browser::Environment> environment;
  std::shared_ptr<browser::Controller> controller;
  std::shared_ptr<browser::View> view;
  bool pageStarted = false;
  int restartCount = 0;
};

WebHost& webHost();

// Closes the controller and releases controller, view and environment, in this order.
void releaseBrowser();

}  // namespace myr
