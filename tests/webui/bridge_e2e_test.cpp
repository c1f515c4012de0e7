// The real launcher with its headless page: requests in on standard input, replies out.

#include <gtest/gtest.h>

#include <string>

#include "support/launcher_process.h"

namespace myr {
namespace {

using testing::GameFolderFixture;
using testing::LauncherProcess;

class BridgeEndToEnd : public ::testing::Test {
 protected:
  GameFolderFixture game;
  LauncherProcess launcher{game.launcher(), {{L"MYR_LAUNCHER_BROWSER", L"stdio"}}};

  // A request that is answered, sent after others to prove they were dropped.
  void expectNextReplyIsMarker() {
    launcher.writeLine(R"({"id":999,"cmd":"keepOpen"})");
    EXPECT_EQ(launcher.readLine(), R"({"id":999,"ok":true,"result":{}})");
  }
};

TEST_F(BridgeEndToEnd, AnswersEachRequestAndEndsWithItsInput) {
  for (const char* line :
       {R"({"id":7,"cmd":"Ready"})", R"({"cmd":"ready"})", "[1]", R"({"id":2.5,"cmd":"keepOpen"})"}) {
    launcher.writeLine(line);
  }
  launcher.closeInput();
  EXPECT_EQ(launcher.readLine(), R"({"id":7,"ok":false,"error":"Unknown command."})");
  EXPECT_EQ(launcher.readLine(), R"({"id":-1,"ok":true,"result":{}})");
  EXPECT_EQ(launcher.readLine(), R"({"id":2.5,"ok":true,"result":{}})");
  EXPECT_EQ(launcher.readLine(), std::nullopt);
  EXPECT_EQ(launcher.waitForExit(), 0u);
}

TEST_F(BridgeEndToEnd, DropsRequestsOverOneMebibyte) {
  const std::string head = R"({"id":1,"cmd":"keepOpen","pad":")";
  const std::string tail = "\"}";
  const std::string exact = head + std::string(1048576 - head.size() - tail.size(), 'a') + tail;
  launcher.writeLine(exact);
  EXPECT_EQ(launcher.readLine(), R"({"id":1,"ok":true,"result":{}})");
  launcher.writeLine(head + std::string(1048577 - head.size() - tail.size(), 'a') + tail);
  expectNextReplyIsMarker();
}

TEST_F(BridgeEndToEnd, OddRequestsNeitherCrashNorGetInventedReplies) {
  std::string nested32, nested33;
  for (int i = 0; i < 32; ++i) nested32 = "[" + nested32 + "]";
  nested33 = "[" + nested32 + "]";
  launcher.writeLine(std::string(R"({"id":1,"cmd":"keepOpen","args":)") + nested32 + "}");
  EXPECT_EQ(launcher.readLine(), R"({"id":1,"ok":true,"result":{}})");
  // One container more than the parser allows: not JSON, so no reply.
  launcher.writeLine(std::string(R"({"id":2,"cmd":"keepOpen","args":)") + nested33 + "}");
  // Invalid UTF-8 reaches the command name as replacement characters.
  launcher.writeLine("{\"id\":3,\"cmd\":\"keepOpen\xff\"}");
  EXPECT_EQ(launcher.readLine(), "{\"id\":3,\"ok\":false,\"error\":\"Unknown command.\"}");
  launcher.writeLine(R"({"id":4,"cmd":"keep\u0000Open"})");
  EXPECT_EQ(launcher.readLine(), R"({"id":4,"ok":false,"error":"Unknown command."})");
  launcher.writeLine(R"({"id":1e400,"cmd":"keepOpen"})");
  EXPECT_EQ(launcher.readLine(), R"({"id":null,"ok":true,"result":{}})");
  launcher.writeLine(R"({"id":123456789012345678901234567890123,"cmd":"keepOpen"})");
  expectNextReplyIsMarker();
}

TEST_F(BridgeEndToEnd, QuitRepliesBeforeTheLauncherEnds) {
  launcher.writeLine(R"({"id":5,"cmd":"quit"})");
  EXPECT_EQ(launcher.readLine(), R"({"id":5,"ok":true,"result":{}})");
  EXPECT_EQ(launcher.waitForExit(), 0u);
}

}  // namespace
}  // namespace myr
