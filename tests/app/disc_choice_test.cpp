// Choosing the disc image through the file dialog seam, with real files.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "support/launcher_fixture.h"
#include "webui/bridge/hosts.h"

namespace myr {
namespace {

using testing::LauncherFixture;
using testing::pumpMessages;

class DiscChoice : public LauncherFixture {
 protected:
  void SetUp() override {
    LauncherFixture::SetUp();
    startPage();
  }

  json::Value choose(std::optional<std::filesystem::path> answer) {
    modalUi->nextChoice = std::move(answer);
    view().posted.clear();
    view().raiseWebMessage(bridge::kStartUrl, LR"({"id":7,"cmd":"chooseIso"})");
    EXPECT_EQ(view().posted.size(), 1u);
    return json::parse(view().posted.empty() ? "null" : view().posted[0]).value_or(json::Value());
  }

  std::string settingsText() const {
    std::ifstream file(gameFolder / L"myr.ini", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
  }
};

TEST_F(DiscChoice, ACancelledDialogRepliesOnlyCancelled) {
  EXPECT_EQ(json::write(choose(std::nullopt)), R"({"id":7,"ok":true,"result":{"cancelled":true}})");
}

TEST_F(DiscChoice, ARefusedFileChangesNothing) {
  const std::filesystem::path notes = gameFolder / L"notes.iso";
  std::ofstream(notes) << "not a disc";
  std::ofstream(gameFolder / L"myr.ini", std::ios::binary) << "[Game]\r\nIso=C:\\old.iso\r\n";
  const json::Value reply = choose(notes);
  EXPECT_FALSE(reply.get("result").get("accepted").asBool());
  EXPECT_FALSE(reply.get("result").get("error").asString().empty());
  EXPECT_TRUE(reply.get("result").get("disc").isObject());
  EXPECT_EQ(settingsText(), "[Game]\r\nIso=C:\\old.iso\r\n");
}

TEST_F(DiscChoice, AGoodImageIsStoredAndItsFilesStartCopying) {
  const json::Value reply = choose(std::filesystem::path(MYR_TEST_DEMO_DISC).make_preferred());
  ASSERT_TRUE(reply.get("result").get("accepted").asBool()) << json::write(reply);
  EXPECT_EQ(reply.get("result").get("error").asString(), "");
  EXPECT_NE(settingsText().find("Iso="), std::string::npos);
  EXPECT_TRUE(reply.get("result").get("disc").get("extract").get("running").asBool()) << json::write(reply);
  // The run's events come through the window; let it end before the folder goes.
  for (int i = 0; i < 400 && launcher().disc().extracting(); ++i) {
    Sleep(10);
    pumpMessages();
  }
}

}  // namespace
}  // namespace myr
