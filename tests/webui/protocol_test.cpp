#include "webui/bridge/protocol.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "foundation/commands/reply.h"

namespace myr::bridge {
namespace {

using commands::eventMessage;
using commands::failureReply;
using commands::successReply;

struct RequestCase {
  const char* name;
  std::string text;
  double id;
  const char* command;
  const char* args;  // written form of the arguments
};

class ParseRequestTest : public testing::TestWithParam<RequestCase> {};

TEST_P(ParseRequestTest, ReadsIdCommandAndArguments) {
  const RequestCase& c = GetParam();
  const auto request = parseRequest(c.text);
  ASSERT_TRUE(request.has_value());
  EXPECT_EQ(request->id, c.id);
  EXPECT_EQ(request->command, c.command);
  EXPECT_EQ(json::write(request->args), c.args);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, ParseRequestTest,
    testing::Values(RequestCase{"full", R"({"id":7,"cmd":"play","args":{"resume":true}})", 7, "play",
                                R"({"resume":true})"},
                    RequestCase{"noId", R"({"cmd":"play"})", -1, "play", "null"},
                    RequestCase{"idNotNumber", R"({"id":"7","cmd":"play"})", -1, "play", "null"},
                    RequestCase{"fractionalId", R"({"id":2.5,"cmd":"keepOpen"})", 2.5, "keepOpen", "null"},
                    RequestCase{"cmdNotString", R"({"id":1,"cmd":3})", 1, "", "null"},
                    RequestCase{"noCmd", R"({"id":1})", 1, "", "null"},
                    RequestCase{"otherMembersIgnored", R"({"x":1,"id":3,"cmd":"a","args":[1]})", 3, "a", "[1]"},
                    RequestCase{"hugeId", R"({"id":1e999,"cmd":"a"})", HUGE_VAL, "a", "null"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParseRequest, DropsWhatIsNotOneObject) {
  for (const char* text :
       {"[1]", R"({"cmd":"ready"} x)", R"({"cmd":"ready"}{})", "", "  ", "null", "\"ready\"", R"({"cmd":"ready",})"}) {
    EXPECT_FALSE(parseRequest(text).has_value()) << text;
  }
}

TEST(ParseRequest, AcceptsExactlyOneMebibyte) {
  const std::string head = R"({"id":1,"cmd":"ready","pad":")";
  const std::string tail = "\"}";
  std::string text = head + std::string(kMaxRequestBytes - head.size() - tail.size(), 'a') + tail;
  ASSERT_EQ(text.size(), kMaxRequestBytes);
  EXPECT_TRUE(parseRequest(text).has_value());
  text.insert(head.size(), "a");
  EXPECT_FALSE(parseRequest(text).has_value());
}

TEST(Envelopes, KeepMemberOrderAndWriteIntegralIdsAsIntegers) {
  EXPECT_EQ(json::write(successReply(7, json::Value::object())), R"({"id":7,"ok":true,"result":{}})");
  EXPECT_EQ(json::write(failureReply(-1, "Unknown command.")), R"({"id":-1,"ok":false,"error":"Unknown command."})");
  json::Value data;
  data.set("pid", 42);
  EXPECT_EQ(json::write(eventMessage("gameStarted", data)), R"({"event":"gameStarted","data":{"pid":42}})");
}

}  // namespace
}  // namespace myr::bridge
