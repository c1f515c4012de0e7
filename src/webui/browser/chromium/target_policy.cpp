#include "webui/browser/chromium/target_policy.h"

namespace myr::browser::chromium {

TargetAction targetAction(const OwnPage& own, const AttachedPage& page) {
  if (!own.setUp) {
    if (!own.targetId.empty() && page.targetId == own.targetId) {
      return TargetAction::SetUpOwnPage;
    }
    return page.waitingForDebugger ? TargetAction::KeepUntilNamed : TargetAction::Detach;
  }
  if (page.targetId == own.targetId) {
    return TargetAction::Ignore;
  }
  return page.browserContextId == own.browserContextId ? TargetAction::CloseWindow : TargetAction::LetGo;
}

}  // namespace myr::browser::chromium
