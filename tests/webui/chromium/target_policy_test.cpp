// Each page the browser attaches: set up, kept, left alone or closed.

#include "webui/browser/chromium/target_policy.h"

#include <gtest/gtest.h>

namespace myr::browser::chromium {
namespace {

TEST(TargetPolicy, EachAttachedPageGetsItsAction) {
  const OwnPage unnamed{"", "", false};
  const OwnPage named{"OURS", "", false};
  const OwnPage setUp{"OURS", "CONTEXT", true};
  struct Case {
    const char* what;
    OwnPage own;
    AttachedPage page;
    TargetAction action;
  };
  const Case cases[] = {
      {"the browser's first page, already running", unnamed, {"FIRST", "CONTEXT", false}, TargetAction::Detach},
      {"ours, reported before the answer that names it", unnamed, {"OURS", "CONTEXT", true},
       TargetAction::KeepUntilNamed},
      {"ours, once named", named, {"OURS", "CONTEXT", true}, TargetAction::SetUpOwnPage},
      {"another waiting page before ours is set up", named, {"OTHER", "CONTEXT", true},
       TargetAction::KeepUntilNamed},
      {"ours, the browser's blank first page, running already", named, {"OURS", "CONTEXT", false},
       TargetAction::SetUpOwnPage},
      {"another running page before ours is set up", named, {"OTHER", "CONTEXT", false}, TargetAction::Detach},
      {"ours again", setUp, {"OURS", "CONTEXT", true}, TargetAction::Ignore},
      {"a window ours opened", setUp, {"POPUP", "CONTEXT", true}, TargetAction::CloseWindow},
      {"a window ours opened without its opener", setUp, {"POPUP", "CONTEXT", false}, TargetAction::CloseWindow},
      {"a test's page in its own context", setUp, {"TEST", "TESTS", true}, TargetAction::LetGo},
      {"a test's page, running", setUp, {"TEST", "TESTS", false}, TargetAction::LetGo},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(targetAction(c.own, c.page), c.action) << c.what;
  }
}

}  // namespace
}  // namespace myr::browser::chromium
