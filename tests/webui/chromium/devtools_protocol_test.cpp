// The DevTools protocol as the launcher reads and writes it.

#include <gtest/gtest.h>

#include <string>

#include "webui/browser/chromium/devtools_message.h"

namespace myr::browser::chromium {
namespace {

TEST(DevToolsMessage, CommandsEndWithANulAndCarryTheirSessionOnlyWhenGiven) {
  EXPECT_EQ(
      devToolsCommand(7, "Page.navigate", R"({"url":"https://launcher.myr.example/index.html"})", "S1"),
      R"({"id":7,"method":"Page.navigate","params":{"url":"https://launcher.myr.example/index.html"},"sessionId":"S1"})" +
          std::string(1, '\0'));
  EXPECT_EQ(devToolsCommand(8, "Browser.getVersion", "{}", ""),
            R"({"id":8,"method":"Browser.getVersion","params":{}})" + std::string(1, '\0'));
}

TEST(DevToolsMessage, TellsRepliesErrorsAndEventsApart) {
  const auto reply = parseDevToolsMessage(R"({"id":3,"result":{"product":"Chrome/156.0.1.2"},"sessionId":"S"})");
  ASSERT_TRUE(reply && reply->reply);
  EXPECT_EQ(reply->reply->id, 3);
  EXPECT_EQ(reply->reply->result.get("product").asString(), "Chrome/156.0.1.2");
  EXPECT_FALSE(reply->reply->error);

  const auto failed = parseDevToolsMessage(R"({"id":4,"error":{"code":-32000,"message":"No target"}})");
  ASSERT_TRUE(failed && failed->reply);
  EXPECT_EQ(failed->reply->error, "No target");
  const auto unexplained = parseDevToolsMessage(R"({"id":5,"error":{}})");
  ASSERT_TRUE(unexplained && unexplained->reply);
  EXPECT_TRUE(unexplained->reply->error);

  const auto event = parseDevToolsMessage(R"({"method":"Inspector.targetCrashed","params":{},"sessionId":"S2"})");
  ASSERT_TRUE(event && event->event);
  EXPECT_EQ(event->event->method, "Inspector.targetCrashed");
  EXPECT_EQ(event->event->sessionId, "S2");

  for (const char* text : {"", "[]", "{}", R"({"id":1.5})", R"({"id":-1})", R"({"id":"3"})", R"({"method":""})",
                           R"({"id":1e12})", "{\"id\":1"}) {
    EXPECT_EQ(parseDevToolsMessage(text), std::nullopt) << text;
  }
}

TEST(PipeMessages, AreWholeWhateverPiecesTheBytesArriveIn) {
  const std::string stream = std::string("{\"id\":1}") + '\0' + "{\"method\":\"A.b\"}" + '\0' + "{\"id\":2}" + '\0';
  for (const std::size_t piece : {std::size_t{1}, std::size_t{5}, std::size_t{9}, stream.size()}) {
    PipeMessages messages(64);
    std::vector<std::string> completed;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
      ASSERT_TRUE(messages.add(std::string_view(stream).substr(at, piece), completed)) << piece;
    }
    EXPECT_EQ(completed, (std::vector<std::string>{R"({"id":1})", R"({"method":"A.b"})", R"({"id":2})"})) << piece;
  }
}

TEST(PipeMessages, RefuseAMessageBeyondTheLargest) {
  PipeMessages messages(8);
  std::vector<std::string> completed;
  EXPECT_TRUE(messages.add(std::string("12345678") + '\0', completed));
  EXPECT_TRUE(messages.add("1234", completed));
  EXPECT_FALSE(messages.add("56789", completed));
  EXPECT_EQ(completed, std::vector<std::string>{"12345678"});
}

}  // namespace
}  // namespace myr::browser::chromium
