#pragma once

// What the launcher does with each page the browser attaches to it. Every page but the blank
// first one, which the launcher takes as its own, is attached before it runs, waiting for its
// debuggers: the launcher's own page is set up then; a window that page opened is closed, since
// the launcher has no second window; pages of other browser contexts (a test attached through the
// debugging port) are left to their owner.

#include <string>

namespace myr::browser::chromium {

struct AttachedPage {
  std::string targetId;
  std::string browserContextId;
  bool waitingForDebugger = false;
};

// The launcher's own page: named by the browser when it made it, set up once attached.
struct OwnPage {
  std::string targetId;  // empty until the browser's answer named it
  std::string browserContextId;
  bool setUp = false;
};

enum class TargetAction {
  SetUpOwnPage,    // ours: set it up, then let it run (or navigate it, the blank first page)
  KeepUntilNamed,  // waiting, while ours is not named yet: it may be ours
  Detach,          // running already before ours was set up: none of ours
  Ignore,          // ours, once more
  LetGo,           // another context's: let it run and leave it
  CloseWindow,     // a window our page opened: it never shows
};

TargetAction targetAction(const OwnPage& own, const AttachedPage& page);

}  // namespace myr::browser::chromium
