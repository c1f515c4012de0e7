// The launcher's own log: one line per event with its time, the previous run's kept, bounded.

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "foundation/launcher_log.h"
#include "foundation/launcher_log_win.h"
#include "support/temp_folder.h"

namespace myr {
namespace {

std::string fileText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<std::string> messagesOf(const std::string& text) {
  std::vector<std::string> messages;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_TRUE(line.ends_with("\r")) << line;
    EXPECT_EQ(line[4], '-') << line;
    EXPECT_EQ(line[23], ' ') << line;
    messages.push_back(line.substr(24, line.size() - 25));
  }
  return messages;
}

TEST(LauncherLog, LinesCarryTheirTimeAndNeverSpanTwoLines) {
  EXPECT_EQ(launcherLogLine(LogTime{2026, 12, 1, 9, 5, 7, 42}, "one\nevent\r\nonly"),
            "2026-12-01 09:05:07.042 one event  only\r\n");
}

TEST(LauncherLog, EachStartKeepsThePreviousRunsLog) {
  const testing::TempFolder game;
  LauncherLog(game.path()).note("first run");
  {
    LauncherLog second(game.path());
    second.note("second run");
    // Readable while the launcher writes it.
    EXPECT_EQ(messagesOf(fileText(game / L"logs" / L"launcher.log")), std::vector<std::string>{"second run"});
  }
  EXPECT_EQ(messagesOf(fileText(game / L"logs" / L"launcher.previous.log")), std::vector<std::string>{"first run"});
}

TEST(LauncherLog, ManyThreadsWriteWholeLinesUpToTheLimit) {
  const testing::TempFolder game;
  {
    LauncherLog log(game.path());
    std::vector<std::thread> writers;
    const std::string message(1000, 'x');
    for (int i = 0; i < 4; ++i) {
      writers.emplace_back([&] {
        for (int n = 0; n < 2000; ++n) log.note(message);
      });
    }
    for (std::thread& writer : writers) writer.join();
  }
  const std::string text = fileText(game / L"logs" / L"launcher.log");
  EXPECT_LE(text.size(), LauncherLog::kLimitBytes);
  const std::vector<std::string> messages = messagesOf(text);
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back(), "The log is full: later messages are left out.");
  for (std::size_t i = 0; i + 1 < messages.size(); ++i) ASSERT_EQ(messages[i], std::string(1000, 'x'));
}

}  // namespace
}  // namespace myr
