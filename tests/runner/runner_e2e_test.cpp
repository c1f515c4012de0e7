// The real launcher running the stand-in game: starts without the page, hand-over with "--play",
// stopping and the end of a run as the page hears of it.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "foundation/json/json.h"
#include "support/launcher_process.h"

namespace myr {
namespace {

using namespace std::chrono_literals;
using testing::GameFolderFixture;
using testing::LauncherProcess;

std::map<std::wstring, std::wstring> headlessWith(std::map<std::wstring, std::wstring> game) {
  game[L"MYR_LAUNCHER_BROWSER"] = L"stdio";
  return game;
}

HWND launcherWindow() { return FindWindowW(L"MyrLauncherWindow", nullptr); }

// The next line that is the named event, skipping others ("log" events come and go).
std::optional<json::Value> nextEvent(LauncherProcess& launcher, const std::string& name) {
  while (const std::optional<std::string> line = launcher.readLine(30s)) {
    std::optional<json::Value> message = json::parse(*line);
    if (message && message->get("event").asString() == name) {
      return message->get("data");
    }
  }
  return std::nullopt;
}

TEST(RunnerEndToEnd, PlayWithoutThePageEndsWithTheGameWhenItEndsWell) {
  GameFolderFixture game;
  game.addGame();
  LauncherProcess launcher(game.launcher(), headlessWith({{L"STANDIN_SLEEP_MS", L"300"}}), L"--play");
  EXPECT_EQ(launcher.waitForExit(30s), 0u);
  // The page never started: nothing was posted to it.
  EXPECT_EQ(launcher.readLine(1s), std::nullopt);
  EXPECT_EQ(launcher.errorText().find("navigate"), std::string::npos) << launcher.errorText();
}

TEST(RunnerEndToEnd, PlayWithoutThePageShowsThePageWhenTheGameFails) {
  GameFolderFixture game;
  game.addGame();
  LauncherProcess launcher(game.launcher(), headlessWith({{L"STANDIN_EXIT_CODE", L"1"}}), L"--play");
  launcher.writeLine(R"({"id":1,"cmd":"keepOpen"})");
  // The page that now shows may first hear how the backup after playing went.
  std::optional<std::string> reply = launcher.readLine(30s);
  while (reply && reply->starts_with(R"({"event":"afterPlayBackup")")) reply = launcher.readLine(30s);
  EXPECT_EQ(reply, R"({"id":1,"ok":true,"result":{}})");
  EXPECT_TRUE(IsWindowVisible(launcherWindow()));
  EXPECT_NE(std::filesystem::file_size(game.folder() / L"logs" / L"last_run.log"), 0u);
  launcher.closeInput();
  EXPECT_EQ(launcher.waitForExit(), 0u);
}

TEST(RunnerEndToEnd, PlayWithoutAGameShowsThePage) {
  GameFolderFixture game;
  LauncherProcess launcher(game.launcher(), headlessWith({}), L"--play");
  launcher.writeLine(R"({"id":1,"cmd":"keepOpen"})");
  EXPECT_EQ(launcher.readLine(30s), R"({"id":1,"ok":true,"result":{}})");
  launcher.closeInput();
  EXPECT_EQ(launcher.waitForExit(), 0u);
}

// A second start with "--play" hands its request to the launcher that runs: that one starts
// the game. The "gameStarted" event the first launcher sends.
std::optional<json::Value> playThroughHandOver(const GameFolderFixture& game,
                                               const std::map<std::wstring, std::wstring>& environment,
                                               LauncherProcess& first) {
  first.writeLine(R"({"id":1,"cmd":"keepOpen"})");
  if (first.readLine(30s) != R"({"id":1,"ok":true,"result":{}})") {
    return std::nullopt;
  }
  LauncherProcess second(game.launcher(), environment, L"--play");
  EXPECT_EQ(second.waitForExit(30s), 0u);
  return nextEvent(first, "gameStarted");
}

TEST(RunnerEndToEnd, HandedOverPlayStartsTheGameAndStopEndsIt) {
  GameFolderFixture game;
  game.addGame();
  const auto environment = headlessWith({{L"STANDIN_LINES", L"3"}, {L"STANDIN_SLEEP_MS", L"60000"}});
  LauncherProcess first(game.launcher(), environment);
  const std::optional<json::Value> started = playThroughHandOver(game, environment, first);
  ASSERT_TRUE(started.has_value()) << first.errorText();
  EXPECT_GT(started->get("pid").asNumber(0), 0);

  first.writeLine(R"({"id":2,"cmd":"stop"})");
  const std::optional<json::Value> exited = nextEvent(first, "gameExited");
  ASSERT_TRUE(exited.has_value());
  EXPECT_EQ(exited->get("code").asNumber(-1), 1);
  EXPECT_EQ(exited->get("fail").asBool(), false);
  EXPECT_EQ(exited->get("message").asString(), "Stopped from the launcher.");
  first.closeInput();
  EXPECT_EQ(first.waitForExit(), 0u);
}

// Nobody is left to answer "closeRequested" once the headless page's input ends.
TEST(RunnerEndToEnd, TheEndOfThePagesInputQuitsWhileTheGameRuns) {
  GameFolderFixture game;
  game.addGame();
  const auto environment = headlessWith({{L"STANDIN_SLEEP_MS", L"3000"}});
  LauncherProcess first(game.launcher(), environment);
  ASSERT_TRUE(playThroughHandOver(game, environment, first).has_value()) << first.errorText();
  first.closeInput();
  EXPECT_EQ(first.waitForExit(), 0u);
}

}  // namespace
}  // namespace myr
