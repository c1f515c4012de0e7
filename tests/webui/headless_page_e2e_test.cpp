// The headless page's reserved lines drive the same policies as a real browser's events.

#include <gtest/gtest.h>

#include "support/launcher_process.h"

namespace myr {
namespace {

using testing::GameFolderFixture;
using testing::LauncherProcess;

size_t occurrences(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
}

class HeadlessPage : public ::testing::Test {
 protected:
  GameFolderFixture game;
  LauncherProcess launcher{game.launcher(), {{L"MYR_LAUNCHER_BROWSER", L"stdio"}}};

  void expectAnswer(int id) {
    launcher.writeLine(R"({"id":)" + std::to_string(id) + R"(,"cmd":"keepOpen"})");
    EXPECT_EQ(launcher.readLine(), R"({"id":)" + std::to_string(id) + R"(,"ok":true,"result":{}})");
  }
};

TEST_F(HeadlessPage, DropsAndNavigationsFollowThePolicy) {
  launcher.writeLine(R"({"$navigate":"https://elsewhere.example/"})");
  launcher.writeLine(R"({"$navigate":"file:///C:/games/notes.txt"})");
  EXPECT_EQ(
      launcher.readLine(),
      R"({"event":"isoDropped","data":{"accepted":false,"path":"C:\\games\\notes.txt","error":"Drop a .iso disc image here."}})");
  // Letters outside ASCII arrive escaped as UTF-8 from a browser.
  launcher.writeLine(R"({"$navigate":"file:///C:/T%C3%A9l%C3%A9chargements/notes%201.txt"})");
  EXPECT_EQ(launcher.readLine(),
            "{\"event\":\"isoDropped\",\"data\":{\"accepted\":false,\"path\":\"C:\\\\T\xC3\xA9l\xC3\xA9"
            "chargements\\\\notes 1.txt\",\"error\":\"Drop a .iso disc image here.\"}}");
  expectAnswer(1);
  launcher.closeInput();
  EXPECT_EQ(launcher.waitForExit(), 0u);
  EXPECT_NE(launcher.errorText().find("navigation cancelled https://elsewhere.example/"), std::string::npos);
}

TEST_F(HeadlessPage, BrowserCrashesRecreateThePageThreeTimes) {
  // All lines at once: those read while the browser is re-created wait for the new page.
  for (int crash = 1; crash <= 3; ++crash) {
    launcher.writeLine(R"({"$crash":"browser"})");
    launcher.writeLine(R"({"id":)" + std::to_string(crash) + R"(,"cmd":"keepOpen"})");
  }
  launcher.writeLine(R"({"$crash":"render"})");
  launcher.writeLine(R"({"id":4,"cmd":"keepOpen"})");
  // The fourth failure leaves no page: this request waits for a page that never comes.
  launcher.writeLine(R"({"$crash":"browser"})");
  launcher.writeLine(R"({"id":5,"cmd":"keepOpen"})");
  launcher.closeInput();
  for (int id = 1; id <= 4; ++id) {
    EXPECT_EQ(launcher.readLine(), R"({"id":)" + std::to_string(id) + R"(,"ok":true,"result":{}})");
  }
  // With no page left, the end of input still ends a headless run.
  EXPECT_EQ(launcher.waitForExit(), 0u);
  EXPECT_EQ(launcher.readLine(), std::nullopt);
  const std::string log = launcher.errorText();
  EXPECT_NE(log.find("[page] end of input without a page"), std::string::npos) << log;
  EXPECT_EQ(occurrences(log, "[page] navigate "), 4u) << log;
  EXPECT_EQ(occurrences(log, "[page] reload"), 1u) << log;
}

}  // namespace
}  // namespace myr
