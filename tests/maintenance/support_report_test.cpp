// "report": a text file in logs\ with every part support asks for, in order, written whole and
// shown in the file browser.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/files/win_text.h"
#include "foundation/version.h"
#include "maintenance/maintenance_fixture.h"
#include "maintenance/support_report_win.h"

namespace fs = std::filesystem;

namespace myr::maintenance {
namespace {

using Report = MaintenanceTest;

std::string contentOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::tm reportTime() {
  std::tm time{};
  time.tm_year = 2026 - 1900;
  time.tm_mon = 11;
  time.tm_mday = 1;
  time.tm_hour = 6;
  time.tm_min = 4;
  time.tm_sec = 9;
  return time;
}

TEST_F(Report, EveryPartInOrderWrittenWholeAndShown) {
  host.facts = {"131.0.6778.85", json::Value::object().set("width", 1920), json::Value::object().set("ok", true),
                json::Value::object().set("code", 3), "Save files: 1\r\n  states/quick.state  5 bytes\r\n"};
  writeText(game / L"myr.ini", "[Launcher]\r\nTheme=dark\r\n");
  writeText(game / L"logs" / L"last_run.log", "booting\nerror: no pad\n");
  // Longer than the part of it the report takes: the report starts at a whole line.
  std::string launcherLog;
  for (int i = 0; i < 20000; ++i) launcherLog += "line " + std::to_string(i) + " of the launcher's own log\r\n";
  writeText(game / L"logs" / L"launcher.log", launcherLog);

  const Result<fs::path> written = writeSupportReport(host, reportTime());
  ASSERT_TRUE(written) << written.error().message;
  EXPECT_EQ(*written, game / L"logs" / L"report-2026-12-01-060409.txt");
  EXPECT_EQ(host.modal.shownInFolder, std::vector<fs::path>{*written});
  EXPECT_FALSE(fs::exists(written->native() + L".tmp"));

  const std::string text = contentOf(*written);
  EXPECT_TRUE(text.starts_with("myr_launcher support report, written 2026-12-01 06:04:09 local time\r\n"))
      << text.substr(0, 200);
  const std::vector<std::string> inOrder{
      "== Launcher ==\r\nVersion " + std::string(kLauncherVersion) + "\r\nBrowser 131.0.6778.85\r\nGame folder " +
          toUtf8(game.native()),
      "== System ==\r\nWindows ",
      "== Display ==\r\n{\"width\":1920}",
      "== Disc ==\r\n{\"ok\":true}",
      "== myr.ini ==\r\n[Launcher]\r\nTheme=dark\r\n",
      "== Last run ==\r\n{\"code\":3}",
      "== Game log (logs\\last_run.log) ==\r\nbooting\nerror: no pad\n",
      "== Launcher log (logs\\launcher.log) ==\r\n(its last 256 KiB)\r\nline ",
      "line 19999 of the launcher's own log\r\n",
      "== Saves and backups (names and sizes only) ==\r\nSave files: 1\r\n  states/quick.state  5 bytes\r\n",
  };
  std::size_t at = 0;
  for (const std::string& part : inOrder) {
    const std::size_t found = text.find(part, at);
    ASSERT_NE(found, std::string::npos) << part;
    at = found + part.size();
  }
  const std::size_t logStart = text.find("(its last 256 KiB)\r\n") + 20;
  EXPECT_EQ(text.substr(logStart, 5), "line ");
}

TEST_F(Report, MissingFilesAreNamedAndTheCommandAnswersThePath) {
  const json::Value reply = run("report");
  ASSERT_TRUE(reply.get("ok").asBool()) << json::write(reply);
  const fs::path path = toWide(reply.get("result").get("path").asString());
  EXPECT_EQ(path.parent_path(), game / L"logs");
  EXPECT_TRUE(path.filename().native().starts_with(L"report-")) << toUtf8(path.native());
  const std::string text = contentOf(path);
  EXPECT_NE(text.find("Browser none found"), std::string::npos);
  EXPECT_NE(text.find(toUtf8((game / L"myr.ini").native()) + " does not exist."), std::string::npos);
  EXPECT_NE(text.find("No run since the launcher started."), std::string::npos);
}

TEST_F(Report, AFailedWriteIsTheReplyAndShowsNothing) {
  // A file where the logs folder should be.
  writeText(game / L"logs", "not a folder");
  const json::Value reply = run("report");
  EXPECT_FALSE(reply.get("ok").asBool());
  EXPECT_TRUE(reply.get("error").asString().starts_with("The report could not be written: ")) << json::write(reply);
  EXPECT_TRUE(host.modal.shownInFolder.empty());
}

}  // namespace
}  // namespace myr::maintenance
