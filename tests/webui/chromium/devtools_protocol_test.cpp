// The DevTools protocol as the launcher reads and writes it: Base64, messages, endpoints.

#include <gtest/gtest.h>

#include <string>

#include "webui/browser/chromium/base64.h"
#include "webui/browser/chromium/devtools_active_port.h"
#include "webui/browser/chromium/devtools_message.h"

namespace myr::browser::chromium {
namespace {

TEST(Base64, RoundTripsEveryTailLength) {
  const std::string bytes("\x00\xFF\x10 binary \x80\x7F", 13);
  for (std::size_t length = 0; length <= bytes.size(); ++length) {
    const std::string part = bytes.substr(0, length);
    EXPECT_EQ(decodeBase64(encodeBase64(part)), part) << length;
  }
  EXPECT_EQ(encodeBase64("Man"), "TWFu");
  EXPECT_EQ(encodeBase64("Ma"), "TWE=");
  EXPECT_EQ(encodeBase64("M"), "TQ==");
}

TEST(Base64, RefusesWhatIsNotPaddedStandardBase64) {
  for (const char* text : {"TWF", "TW=u", "TQ=", "T===", "TR==", "TWF=", "TW\nFu", "TW-u", "TWFu===="}) {
    EXPECT_EQ(decodeBase64(text), std::nullopt) << text;
  }
}

TEST(DevToolsMessage, CommandsCarryTheirSessionOnlyWhenGiven) {
  EXPECT_EQ(
      devToolsCommand(7, "Page.navigate", R"({"url":"https://launcher.myr.example/index.html"})", "S1"),
      R"({"id":7,"method":"Page.navigate","params":{"url":"https://launcher.myr.example/index.html"},"sessionId":"S1"})");
  EXPECT_EQ(devToolsCommand(8, "Browser.getVersion", "{}", ""),
            R"({"id":8,"method":"Browser.getVersion","params":{}})");
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

constexpr char kGuid[] = "0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0";

TEST(DevToolsEndpoint, ReadsTheActivePortFileOnlyWhenComplete) {
  const std::string path = std::string("/devtools/browser/") + kGuid;
  const auto endpoint = parseDevToolsActivePort("39055\n" + path);
  ASSERT_TRUE(endpoint);
  EXPECT_EQ(endpoint->port, 39055);
  EXPECT_EQ(endpoint->browserPath, path);
  EXPECT_TRUE(parseDevToolsActivePort("39055\r\n" + path + "\n"));

  const std::string refused[] = {
      "",
      "39055",                                      // still being written
      "39055\n",                                    //
      "39055\n" + path.substr(0, path.size() - 1),  // a cut id
      "0\n" + path,
      "65536\n" + path,
      "3905x\n" + path,
      "\n" + path,
      "39055\n/devtools/page/" + std::string(kGuid),
      "39055\n" + path + "?x",
      "39055\n/devtools/browser/0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1fg",
  };
  for (const std::string& text : refused) {
    EXPECT_EQ(parseDevToolsActivePort(text), std::nullopt) << text;
  }
}

TEST(DevToolsEndpoint, ReadsTheVersionAnswerOfItsOwnPortOnly) {
  const std::string url = std::string("ws://127.0.0.1:9222/devtools/browser/") + kGuid;
  const auto endpoint = parseVersionEndpoint(R"({"Browser":"Chrome/156","webSocketDebuggerUrl":")" + url + "\"}", 9222);
  ASSERT_TRUE(endpoint);
  EXPECT_EQ(endpoint->browserPath, std::string("/devtools/browser/") + kGuid);
  EXPECT_FALSE(parseVersionEndpoint(R"({"webSocketDebuggerUrl":")" + url + "\"}", 9223));
  EXPECT_FALSE(parseVersionEndpoint(R"({"webSocketDebuggerUrl":"ws://example.com:9222/devtools/browser/x"})", 9222));
  EXPECT_FALSE(parseVersionEndpoint("not json", 9222));
}

}  // namespace
}  // namespace myr::browser::chromium
