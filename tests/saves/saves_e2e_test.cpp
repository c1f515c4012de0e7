// The save commands through the real launcher and its headless page, on real files.

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>

#include "foundation/json/json.h"
#include "support/launcher_process.h"

namespace myr {
namespace {

using namespace std::chrono_literals;
using testing::GameFolderFixture;
using testing::LauncherProcess;

json::Value replyTo(LauncherProcess& launcher, const std::string& request, double id) {
  launcher.writeLine(request);
  while (const std::optional<std::string> line = launcher.readLine(60s)) {
    json::Value message = json::parse(*line).value_or(json::Value());
    if (message.get("id").asNumber(-2) == id) {
      return message;
    }
  }
  return json::Value();
}

TEST(SavesEndToEnd, ABackupIsListedAndRestoresAndBadRequestsAreRefused) {
  GameFolderFixture game;
  const std::filesystem::path saves = game.folder() / L"savedata" / L"QXUS-40404";
  std::filesystem::create_directories(saves);
  std::ofstream(saves / L"slot1.myrsave", std::ios::binary) << "before";
  LauncherProcess launcher(game.launcher(), {{L"MYR_LAUNCHER_BROWSER", L"stdio"}});

  const json::Value backup = replyTo(launcher, R"({"id":1,"cmd":"backup"})", 1);
  ASSERT_TRUE(backup.get("ok").asBool()) << json::write(backup);
  const std::string name = backup.get("result").get("name").asString();
  ASSERT_FALSE(name.empty()) << json::write(backup);

  const json::Value listing = replyTo(launcher, R"({"id":2,"cmd":"saves"})", 2);
  ASSERT_TRUE(listing.get("ok").asBool()) << json::write(listing);
  EXPECT_NE(json::write(listing.get("result").get("backups")).find(name), std::string::npos) << json::write(listing);

  std::ofstream(saves / L"slot1.myrsave", std::ios::binary) << "after";
  const json::Value restored = replyTo(launcher, R"({"id":3,"cmd":"restore","args":{"name":")" + name + "\"}}", 3);
  EXPECT_TRUE(restored.get("ok").asBool()) << json::write(restored);
  std::ifstream file(saves / L"slot1.myrsave", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "before");

  EXPECT_EQ(json::write(replyTo(launcher, R"({"id":4,"cmd":"restore","args":{"name":"../x"}})", 4)),
            R"({"id":4,"ok":false,"error":"There is no backup ../x."})");
  EXPECT_EQ(json::write(replyTo(launcher, R"({"id":5,"cmd":"swapSystem","args":{"file":"x.bin"}})", 5)),
            R"({"id":5,"ok":false,"error":"That is not a kept-aside system file."})");
  EXPECT_EQ(json::write(replyTo(launcher, R"({"id":6,"cmd":"thumb","args":{"slot":1000}})", 6)),
            R"({"id":6,"ok":false,"error":"Not a save slot"})");
  launcher.closeInput();
  EXPECT_EQ(launcher.waitForExit(60s), 0u);
}

}  // namespace
}  // namespace myr
