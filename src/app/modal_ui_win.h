#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "foundation/modal_ui.h"

namespace myr::app {

// Real dialogs, owned by the window that owner() gives when each one opens.
std::unique_ptr<ModalUi> makeDesktopModalUi(std::function<HWND()> owner);
// Writes each dialog to standard error and answers No (or Ok where that is the only button).
std::unique_ptr<ModalUi> makeHeadlessModalUi();

}  // namespace myr::app
