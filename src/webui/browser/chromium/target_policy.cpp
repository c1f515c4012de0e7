#include "webui/browser/chromium/target_policy.h"

namespace myr::browser::chromium {

TargetAction targetAction(const OwnPage& own, const AttachedPage& page) {
  if (!own.setUp) {
    if (!page.waitingForDebugger) {
      return TargetAction::Detach;
    }
    return !own.targetId.empty() && page.targetId == own.targetId ? TargetAction::SetUpOwnPage
                                                                   : TargetAction::KeepUntilNamed;
  }
  if (page.targetId == own.targetId) {
    return TargetAction::Ignore;
  }
  return page.browserContextId == own.browserContextId ? TargetAction::CloseWindow : TargetAction::LetGo;
}

}  // namespace myr::browser::chromium
