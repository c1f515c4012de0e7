// Requests as the view delivers them: only string messages from the launcher's own page count.

#include <gtest/gtest.h>

#include "support/launcher_fixture.h"
#include "webui/bridge/command_table.h"
#include "webui/bridge/hosts.h"

namespace myr {
namespace {

using testing::LauncherFixture;

class Bridge : public LauncherFixture {
 protected:
  void SetUp() override {
    LauncherFixture::SetUp();
    startPage();
  }
};

TEST_F(Bridge, AnswersOnlyStringMessagesFromTheLaunchersPage) {
  const std::wstring request = LR"({"id":3,"cmd":"keepOpen"})";
  struct Case {
    const wchar_t* source;
    bool asString;
    bool answered;
  };
  for (const Case& c : {Case{L"https://launcher.myr.example/index.html", true, true},
                        Case{L"https://launcher.myr.example/", true, true},
                        Case{L"https://launcher.myr.example", true, false},
                        Case{L"https://LAUNCHER.myr.example/index.html", true, false},
                        Case{L"https://launcher.myr.example.evil.example/", true, false},
                        Case{L"file:///C:/index.html", true, false},
                        Case{L"https://launcher.myr.example/index.html", false, false}}) {
    view().posted.clear();
    view().raiseWebMessage(c.source, c.asString ? std::optional(request) : std::nullopt);
    EXPECT_EQ(view().posted.size(), c.answered ? 1u : 0u) << c.source << " " << c.asString;
  }
}

TEST_F(Bridge, CommandNamesMatchExactly) {
  for (const wchar_t* name : {L"KeepOpen", L"keepopen", L"keepOpen ", L""}) {
    view().posted.clear();
    view().raiseWebMessage(bridge::kStartUrl, LR"({"id":8,"cmd":")" + std::wstring(name) + L"\"}");
    EXPECT_EQ(view().posted, std::vector<std::string>{R"({"id":8,"ok":false,"error":"Unknown command."})"});
  }
}

TEST_F(Bridge, TableHoldsTheCommandsInOrder) {
  std::vector<std::string_view> names;
  for (const auto& entry : bridge::commandTable()) {
    names.push_back(entry.name);
  }
  EXPECT_EQ(names, (std::vector<std::string_view>{"keepOpen", "quit", "ready"}));
}

}  // namespace
}  // namespace myr
