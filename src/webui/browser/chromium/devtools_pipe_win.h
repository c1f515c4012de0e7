#pragma once

// The DevTools pipe: the browser reads commands on one and writes replies and events on the
// other. No port and no name anybody else could open: a Windows browser inherits its ends,
// a Linux browser under Wine gets FIFOs from a folder only the player can open.

#include <windows.h>

#include <filesystem>

#include "foundation/error.h"
#include "foundation/files/win_handle.h"

namespace myr::browser::chromium {

// The launcher's ends, open for overlapped I/O, so that a browser that stopped reading or
// writing never holds a thread of the launcher for good.
struct DevToolsPipe {
  WinHandle commands;
  WinHandle replies;
};

// A pipe whose other ends a Windows browser inherits (synchronous, as its C runtime expects).
struct InheritedPipe {
  DevToolsPipe launcher;
  WinHandle browserCommands;
  WinHandle browserReplies;
};

Result<InheritedPipe> makeInheritedPipe();

// A folder for the FIFOs of one browser, inside parent; never one an earlier browser used.
std::filesystem::path newFifoFolder(const std::filesystem::path& parent);

// The launcher's ends of the FIFOs "in" and "out" in folder (a Z: path), once the browser's
// wrapper made them; "life" stays open in lifeline, whose end tells the wrapper to end the browser.
Result<DevToolsPipe> openWrapperFifos(const std::filesystem::path& folder, WinHandle& lifeline);

}  // namespace myr::browser::chromium
