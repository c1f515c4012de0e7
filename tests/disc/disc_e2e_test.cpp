// The first run through the headless page: the demo disc's files are copied in the background
// with progress, a failed run is retried only when asked, and play then starts the game.

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "foundation/json/json.h"
#include "support/launcher_process.h"

namespace myr {
namespace {

using namespace std::chrono_literals;
using testing::GameFolderFixture;
using testing::LauncherProcess;

std::map<std::wstring, std::wstring> headlessOn(const std::filesystem::path& image) {
  return {{L"MYR_LAUNCHER_BROWSER", L"stdio"}, {L"MYR_ISO", image.wstring()}, {L"STANDIN_SLEEP_MS", L"200"}};
}

json::Value nextMessage(LauncherProcess& launcher) {
  const std::optional<std::string> line = launcher.readLine(60s);
  EXPECT_TRUE(line.has_value());
  return json::parse(line.value_or("null")).value_or(json::Value());
}

// The events of one extraction run, up to and including its end.
std::vector<json::Value> extractionEvents(LauncherProcess& launcher) {
  std::vector<json::Value> events;
  for (;;) {
    const json::Value message = nextMessage(launcher);
    if (message.isNull()) {
      return events;
    }
    if (message.get("event").asString() != "discExtract") {
      continue;
    }
    events.push_back(message.get("data"));
    if (!message.get("data").get("running").asBool()) {
      return events;
    }
  }
}

json::Value replyTo(LauncherProcess& launcher, const std::string& request, double id) {
  launcher.writeLine(request);
  for (;;) {
    json::Value message = nextMessage(launcher);
    if (message.isNull() || message.get("id").asNumber(-2) == id) {
      return message;
    }
  }
}

TEST(DiscEndToEnd, TheDemoDiscIsCopiedWithProgressThenPlayStartsTheGame) {
  GameFolderFixture game;
  game.addGame();
  LauncherProcess launcher(game.launcher(), headlessOn(MYR_TEST_DEMO_DISC));

  const json::Value first = replyTo(launcher, R"({"id":1,"cmd":"disc"})", 1);
  EXPECT_TRUE(first.get("result").get("extract").get("running").asBool()) << json::write(first);
  const std::vector<json::Value> events = extractionEvents(launcher);
  ASSERT_EQ(events.size(), 12u);
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(events[i].get("done").asNumber(-1), i);
    EXPECT_EQ(events[i].get("total").asNumber(-1), 11);
  }
  EXPECT_EQ(json::write(events.back()), R"({"running":false,"ok":true,"error":""})");

  const json::Value after = replyTo(launcher, R"({"id":2,"cmd":"disc"})", 2);
  EXPECT_FALSE(after.get("result").get("discFolder").asString().empty()) << json::write(after);
  const json::Value played = replyTo(launcher, R"({"id":3,"cmd":"play"})", 3);
  EXPECT_TRUE(played.get("ok").asBool()) << json::write(played);
  EXPECT_GT(played.get("result").get("pid").asNumber(0), 0);
  launcher.closeInput();
  EXPECT_EQ(launcher.waitForExit(60s), 0u);
}

// "init" is what the page draws from: every member, in order, also while the demo disc is being
// copied and after a run of the game.
TEST(DiscEndToEnd, InitReportsEveryMemberInOrderThroughTheFirstRun) {
  GameFolderFixture game;
  game.addGame();
  LauncherProcess launcher(game.launcher(), headlessOn(MYR_TEST_DEMO_DISC));
  const auto memberNames = [](const json::Value& reply) {
    std::vector<std::string> names;
    for (const auto& [name, value] : reply.get("result").members()) {
      names.push_back(name);
    }
    return names;
  };
  const std::vector<std::string> expected{"version", "webview",     "exeDir",   "ini",      "settings",  "defaults",
                                          "pad",     "padDefaults", "rejected", "iniError", "overrides", "display",
                                          "disc",    "states",      "running",  "art",      "gameFigure",
                                          "lastRun", "playTime",    "afterPlayBackup",       "pendingRestore"};
  const json::Value first = replyTo(launcher, R"({"id":1,"cmd":"init"})", 1);
  EXPECT_EQ(memberNames(first), expected) << json::write(first);
  EXPECT_TRUE(first.get("result").get("disc").get("extract").get("running").asBool()) << json::write(first);
  EXPECT_EQ(first.get("result").get("webview").asString(), "stdio");
  EXPECT_TRUE(extractionEvents(launcher).back().get("ok").asBool());

  replyTo(launcher, R"({"id":2,"cmd":"play"})", 2);
  const json::Value running = replyTo(launcher, R"({"id":3,"cmd":"init"})", 3);
  EXPECT_EQ(memberNames(running), expected);
  // The run's end, and then the end of the backup after it.
  bool exited = false;
  for (;;) {
    const json::Value message = nextMessage(launcher);
    exited = exited || message.get("event").asString() == "gameExited";
    const bool backedUp = message.get("event").asString() == "afterPlayBackup" &&
                          message.get("data").get("state").asString() != "running";
    if (message.isNull() || (exited && backedUp)) {
      break;
    }
  }
  const json::Value after = replyTo(launcher, R"({"id":4,"cmd":"init"})", 4);
  EXPECT_EQ(memberNames(after), expected);
  EXPECT_EQ(after.get("result").get("lastRun").get("code").asNumber(-1), 0) << json::write(after);
  EXPECT_EQ(after.get("result").get("playTime").get("runs").asNumber(-1), 1) << json::write(after);
  EXPECT_EQ(json::write(after.get("result").get("afterPlayBackup")),
            R"({"state":"skipped","reason":"There are no saves yet."})");
  EXPECT_FALSE(after.get("result").get("running").asBool());
  launcher.closeInput();
  EXPECT_EQ(launcher.waitForExit(60s), 0u);
}

// A run that fails is not tried again on its own; "retry" counts only as the JSON value true.
TEST(DiscEndToEnd, AFailedRunIsRetriedOnlyWhenAsked) {
  GameFolderFixture game;
  // A file in the way of the disc folder: every run fails.
  std::ofstream(game.folder() / L"disc") << "not a folder";
  LauncherProcess launcher(game.launcher(), headlessOn(MYR_TEST_DEMO_DISC));

  replyTo(launcher, R"({"id":1,"cmd":"disc"})", 1);
  const std::vector<json::Value> failed = extractionEvents(launcher);
  ASSERT_FALSE(failed.empty());
  EXPECT_FALSE(failed.back().get("ok").asBool());
  const std::string error = failed.back().get("error").asString();
  EXPECT_FALSE(error.empty());

  for (const char* retry : {R"("true")", "1", "false"}) {
    const json::Value state =
        replyTo(launcher, std::string(R"({"id":2,"cmd":"disc","args":{"retry":)") + retry + "}}", 2);
    EXPECT_FALSE(state.get("result").get("extract").get("running").asBool()) << retry;
    EXPECT_EQ(state.get("result").get("extract").get("error").asString(), error) << retry;
  }
  const json::Value retried = replyTo(launcher, R"({"id":3,"cmd":"disc","args":{"retry":true}})", 3);
  EXPECT_TRUE(retried.get("result").get("extract").get("running").asBool()) << json::write(retried);
  EXPECT_FALSE(extractionEvents(launcher).back().get("ok").asBool());
  launcher.closeInput();
  EXPECT_EQ(launcher.waitForExit(60s), 0u);
}

}  // namespace
}  // namespace myr
