// The save commands through the real launcher and its headless page, on real files.

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

std::string fileText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(SavesEndToEnd, ARestoreLeftForThePlayerKeepsTheGameFromStartingOverHalfRestoredSaves) {
  GameFolderFixture game;
  game.addGame();
  const std::filesystem::path backups = game.folder() / L"backups";
  std::filesystem::create_directories(backups);
  // A record whose line cannot be read: never finished on its own.
  std::ofstream(backups / L"restore.journal", std::ios::binary)
      << "myr_launcher restore record 2\nset 2024-01-31_10-00-00\nsafety \nreplace x\n";
  LauncherProcess launcher(game.launcher(), {{L"MYR_LAUNCHER_BROWSER", L"stdio"}}, L"--play");

  const json::Value init = replyTo(launcher, R"({"id":1,"cmd":"init"})", 1);
  EXPECT_EQ(json::write(init.get("result").get("pendingRestore")),
            R"({"set":"","safetyBackup":"","reason":"The record of the interrupted restore cannot be used: its line 4 is damaged."})");
  EXPECT_EQ(init.get("result").get("lastRun").get("message").asString(),
            "An interrupted restore waits for your decision: finish it or undo it on the Saves page first.")
      << json::write(init);
  EXPECT_FALSE(std::filesystem::exists(game.folder() / L"logs" / L"last_run.log"));
  EXPECT_NE(fileText(game.folder() / L"logs" / L"launcher.log")
                .find(" An interrupted restore waits for the player: The record of the interrupted restore cannot be "
                      "used: its line 4 is damaged.\r\n"),
            std::string::npos)
      << fileText(game.folder() / L"logs" / L"launcher.log");
  launcher.closeInput();
  EXPECT_EQ(launcher.waitForExit(60s), 0u);
}

// The launcher started with "--play" ends with the game, but not before the backup after playing
// is complete: a card large enough to take a while is in the set, whole.
TEST(SavesEndToEnd, PlayWithoutThePageEndsOnceTheBackupAfterPlayingIsDone) {
  GameFolderFixture game;
  game.addGame();
  std::filesystem::create_directories(game.folder() / L"memcards");
  std::ofstream(game.folder() / L"memcards" / L"Mcd001.ps2", std::ios::binary) << std::string(64 << 20, '\x5A');
  LauncherProcess launcher(game.launcher(), {{L"MYR_LAUNCHER_BROWSER", L"stdio"}, {L"STANDIN_SLEEP_MS", L"300"}},
                           L"--play");
  EXPECT_EQ(launcher.waitForExit(120s), 0u);
  std::vector<std::wstring> sets;
  for (const auto& entry : std::filesystem::directory_iterator(game.folder() / L"backups")) {
    sets.push_back(entry.path().filename().native());
  }
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_TRUE(sets[0].ends_with(L"_after-play"));
  const std::string manifest = fileText(game.folder() / L"backups" / sets[0] / L"manifest.sha256");
  EXPECT_TRUE(manifest.ends_with("  memcards/Mcd001.ps2\n")) << manifest;
  EXPECT_EQ(std::filesystem::file_size(game.folder() / L"backups" / sets[0] / L"memcards" / L"Mcd001.ps2"), 64u << 20);
}

}  // namespace
}  // namespace myr
