// Requests as the view delivers them: only string messages from the launcher's own page count.

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "support/launcher_fixture.h"
#include "webui/bridge/bridge_win.h"
#include "webui/bridge/hosts.h"
#include "webui/bridge/protocol.h"

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
  for (const Case& c :
       {Case{L"https://launcher.myr.example/index.html", true, true},
        Case{L"https://launcher.myr.example/", true, true}, Case{L"https://launcher.myr.example", true, false},
        Case{L"https://LAUNCHER.myr.example/index.html", true, false},
        Case{L"https://launcher.myr.example.evil.example/", true, false}, Case{L"file:///C:/index.html", true, false},
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

// The limit counts UTF-8 bytes, which two-byte letters reach with half as many UTF-16 units.
TEST_F(Bridge, DropsRequestsOverOneMebibyteOfUtf8) {
  const std::wstring head = LR"({"id":6,"cmd":"keepOpen","pad":")";
  const std::wstring tail = L"\"}";
  const auto requestOfUtf8Bytes = [&](std::size_t bytes) {
    const std::size_t padBytes = bytes - head.size() - tail.size();
    return head + std::wstring(padBytes % 2, L'a') + std::wstring(padBytes / 2, L'\u00E9') + tail;
  };
  for (const auto& [bytes, answered] :
       {std::pair{bridge::kMaxRequestBytes, true}, std::pair{bridge::kMaxRequestBytes + 1, false}}) {
    view().posted.clear();
    view().raiseWebMessage(bridge::kStartUrl, requestOfUtf8Bytes(bytes));
    EXPECT_EQ(view().posted.size(), answered ? 1u : 0u) << bytes;
  }
}

TEST_F(Bridge, AStandardExceptionFromAHandlerBecomesTheReply) {
  bridge::Bridge& bridge = launcher().bridge();
  bridge.runCommand([](const json::Value&, commands::Reply) { throw std::runtime_error("disk full"); }, json::Value(),
                    bridge.replyTo(4));
  bridge.runCommand([](const json::Value&, commands::Reply reply) { reply.result(json::Value::object()); },
                    json::Value(), bridge.replyTo(5));

  EXPECT_EQ(view().posted, (std::vector<std::string>{R"({"id":4,"ok":false,"error":"Internal error: disk full"})",
                                                     R"({"id":5,"ok":true,"result":{}})"}));
}

TEST_F(Bridge, PostedTextReachesThePageThroughTheMainWindow) {
  ASSERT_TRUE(launcher().bridge().postJson(R"({"event":"notice","data":{"text":"hi"}})"));
  EXPECT_TRUE(view().posted.empty());
  testing::pumpMessages();
  EXPECT_EQ(view().posted, std::vector<std::string>{R"({"event":"notice","data":{"text":"hi"}})"});
}

// With no window to take it, posting would leave the text queued on the caller's own thread.
TEST_F(Bridge, PostingWithoutAMainWindowFails) {
  launcher().bridge().setPostTarget(nullptr);

  EXPECT_FALSE(launcher().bridge().postJson(R"({"event":"notice","data":{}})"));
  MSG queued{};
  EXPECT_FALSE(PeekMessageW(&queued, nullptr, bridge::WM_APP_POST_JSON, bridge::WM_APP_POST_JSON, PM_NOREMOVE));
}

TEST_F(Bridge, TableHoldsTheCommandsInOrder) {
  std::vector<std::string_view> names;
  for (const auto& entry : launcher().bridge().commands()) {
    names.push_back(entry.name);
  }
  EXPECT_EQ(names, (std::vector<std::string_view>{"init",       "saveSettings", "savePad",       "chooseIso",
                                                  "disc",       "play",         "stop",          "saves",
                                                  "backup",     "formatCard",   "restore",       "settleRestore",
                                                  "open",       "thumb",        "swapSystem",    "shortcut",
                                                  "cacheInfo",  "clearCache",   "report",        "keepOpen",
                                                  "quit",       "ready"}));
}

// A reply completed on a worker thread reaches the page through the window, once; a second
// completion is a programming error that goes to the log instead of the page.
TEST_F(Bridge, AReplyFromAWorkerArrivesOnceAndASecondCompletionIsLogged) {
  commands::Reply reply = launcher().bridge().replyTo(12);
  std::thread worker([reply]() mutable {
    reply.result("done");
    reply.error("again");
  });
  worker.join();
  EXPECT_TRUE(view().posted.empty());
  testing::pumpMessages();
  EXPECT_EQ(view().posted, std::vector<std::string>{R"({"id":12,"ok":true,"result":"done"})"});
  EXPECT_EQ(launcher().logQueue().take(10).lines,
            std::vector<std::string>{"[myr_launcher] request 12 was answered twice"});
}

TEST_F(Bridge, AReplyNeverCompletedAnswersThePageAndIsLogged) {
  launcher().bridge().runCommand([](const json::Value&, commands::Reply) {}, json::Value(),
                                 launcher().bridge().replyTo(13));
  EXPECT_EQ(view().posted,
            std::vector<std::string>{
                R"({"id":13,"ok":false,"error":"Internal error: the command ended without an answer."})"});
  EXPECT_EQ(launcher().logQueue().take(10).lines,
            std::vector<std::string>{"[myr_launcher] request 13 was never answered"});
}

// A command whose worker throws: the page gets the message as the error.
TEST_F(Bridge, AFileOperationThatThrowsAnswersWithTheMessage) {
  launcher().fileOperations().start(launcher().bridge().replyTo(14), true,
                                    []() -> Result<json::Value> { throw std::runtime_error("card gone"); });
  for (int i = 0; i < 200 && view().posted.empty(); ++i) {
    Sleep(5);
    testing::pumpMessages();
  }
  EXPECT_EQ(view().posted, std::vector<std::string>{R"({"id":14,"ok":false,"error":"card gone"})"});
  EXPECT_FALSE(launcher().fileOperations().busy());
}

}  // namespace
}  // namespace myr
