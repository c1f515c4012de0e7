// Start-up of the real launcher: one instance per session, its window, its fatal page errors, capture.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/launcher_process.h"

namespace myr {
namespace {

using namespace std::chrono_literals;
using testing::GameFolderFixture;
using testing::LauncherProcess;

const std::map<std::wstring, std::wstring> kHeadless{{L"MYR_LAUNCHER_BROWSER", L"stdio"}};

// Waits until the launcher answers, so its window exists.
void expectAnswering(LauncherProcess& launcher) {
  launcher.writeLine(R"({"id":1,"cmd":"keepOpen"})");
  ASSERT_EQ(launcher.readLine(), R"({"id":1,"ok":true,"result":{}})");
}

template <typename Condition>
bool eventually(Condition condition) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (condition()) {
      return true;
    }
    Sleep(50);
  }
  return false;
}

HWND launcherWindow() { return FindWindowW(L"MyrLauncherWindow", nullptr); }

SIZE outerSize(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

TEST(StartupEndToEnd, SecondStartHandsOverAndBringsTheFirstForward) {
  GameFolderFixture game;
  LauncherProcess first(game.launcher(), kHeadless);
  expectAnswering(first);
  const HWND window = launcherWindow();
  ASSERT_NE(window, nullptr);
  // Posted, not sent: the test never waits on the launcher's thread.
  PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(eventually([&] { return IsIconic(window) != FALSE; }));

  LauncherProcess second(game.launcher(), kHeadless);
  EXPECT_EQ(second.waitForExit(10s), 0u);
  EXPECT_TRUE(eventually([&] { return IsIconic(window) == FALSE; }));
  EXPECT_TRUE(IsWindowVisible(window));
  // The first one is still the one running.
  expectAnswering(first);
}

TEST(StartupEndToEnd, WindowTakesTheRequestedOrTheDefaultSize) {
  struct Case {
    const wchar_t* size;
    LONG width;
    LONG height;
  };
  for (const Case& c : {Case{L"800x600", 800, 600}, Case{L"639x600", 1180, 760}, Case{L"800 x600", 1180, 760}}) {
    GameFolderFixture game;
    auto environment = kHeadless;
    environment[L"MYR_LAUNCHER_SIZE"] = c.size;
    LauncherProcess launcher(game.launcher(), environment);
    expectAnswering(launcher);
    const SIZE size = outerSize(launcherWindow());
    EXPECT_EQ(size.cx, c.width) << c.size;
    EXPECT_EQ(size.cy, c.height) << c.size;
  }
}

TEST(StartupEndToEnd, MissingPageIsReportedAndEndsTheLauncher) {
  GameFolderFixture game(false);
  LauncherProcess launcher(game.launcher(), kHeadless);
  EXPECT_EQ(launcher.waitForExit(), 0u);
  const std::string expected =
      "The launcher's page is missing: " + (game.folder() / L"launcher-ui" / L"index.html").string();
  EXPECT_NE(launcher.errorText().find(expected), std::string::npos) << launcher.errorText();
}

TEST(StartupEndToEnd, CaptureModeWritesThePictureAfterReadyAndEnds) {
  GameFolderFixture game;
  const std::filesystem::path picture = game.folder() / L"page.png";
  auto environment = kHeadless;
  environment[L"MYR_LAUNCHER_CAPTURE"] = picture.wstring();
  LauncherProcess launcher(game.launcher(), environment);
  launcher.writeLine(R"({"id":3,"cmd":"ready"})");
  EXPECT_EQ(launcher.readLine(), R"({"id":3,"ok":true,"result":{}})");
  EXPECT_EQ(launcher.waitForExit(), 0u);
  std::ifstream file(picture, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(file), {}};
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

// The headless page's picture is its background; the first pixel sits after the PNG and zlib headers.
std::string firstPixel(const std::string& png) {
  const size_t data = png.find("IDAT");
  return data == std::string::npos || png.size() < data + 4 + 2 + 5 + 1 + 3 ? "" : png.substr(data + 4 + 2 + 5 + 1, 3);
}

TEST(StartupEndToEnd, CaptureShowsTheThemeOfMyrIniOrOfTheCaptureOverride) {
  const std::string dark{16, 20, 20};
  const std::string light{static_cast<char>(246), static_cast<char>(250), static_cast<char>(248)};
  struct Case {
    const char* iniTheme;
    const wchar_t* overrideTheme;
    std::string colour;
  };
  for (const Case& c : {Case{"dark", nullptr, dark}, Case{"light", L"dark", dark}, Case{"dark", L"light", light},
                        Case{nullptr, nullptr, light}}) {
    GameFolderFixture game;
    if (c.iniTheme != nullptr) {
      std::ofstream(game.folder() / L"myr.ini") << "[Launcher]\nTheme=" << c.iniTheme << "\n";
    }
    const std::filesystem::path picture = game.folder() / L"page.png";
    auto environment = kHeadless;
    environment[L"MYR_LAUNCHER_CAPTURE"] = picture.wstring();
    if (c.overrideTheme != nullptr) {
      environment[L"MYR_LAUNCHER_THEME"] = c.overrideTheme;
    }
    LauncherProcess launcher(game.launcher(), environment);
    launcher.writeLine(R"({"id":3,"cmd":"ready"})");
    EXPECT_EQ(launcher.waitForExit(), 0u);
    std::ifstream file(picture, std::ios::binary);
    EXPECT_EQ(firstPixel({std::istreambuf_iterator<char>(file), {}}), c.colour) << (c.iniTheme ? c.iniTheme : "none");
  }
}

TEST(StartupEndToEnd, CaptureIntoAMissingFolderEndsWithoutAPicture) {
  GameFolderFixture game;
  const std::filesystem::path picture = game.folder() / L"no-such-folder" / L"page.png";
  auto environment = kHeadless;
  environment[L"MYR_LAUNCHER_CAPTURE"] = picture.wstring();
  LauncherProcess launcher(game.launcher(), environment);
  launcher.writeLine(R"({"id":3,"cmd":"ready"})");
  EXPECT_EQ(launcher.waitForExit(), 0u);
  EXPECT_FALSE(std::filesystem::exists(picture));
}

void putFile(const std::filesystem::path& path, const std::string& bytes = "x") {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(StartupEndToEnd, LeftoversOfAnInterruptedLauncherGoAndNothingElseDoes) {
  GameFolderFixture game;
  const std::filesystem::path folder = game.folder();
  const std::vector<std::wstring> leftovers{L"myr.ini.tmp",
                                            L"disc\\MODPAK.BIN.partial",
                                            L"disc\\QXUS_404.04.partial",
                                            L"backups\\2024-01-31_10-00-00.partial\\memcards\\Mcd001.ps2",
                                            L"backups\\restore.journal.tmp",
                                            L"memcards\\Mcd002.ps2.tmp",
                                            L"memcards\\Mcd001.ps2.import-tmp",
                                            L"memcards\\mc0\\BISLPM-65001\\icon.sys.import-tmp",
                                            L"savedata\\QXUS-40404\\save-001.myrsave.import-tmp",
                                            L"states\\quick.state.import-tmp"};
  // Look-alikes the launcher never writes, and the saves themselves.
  const std::vector<std::wstring> kept{L"myr.ini",
                                       L"notes.tmp",
                                       L"disc\\README.partial",
                                       L"disc\\MODPAK.BIN",
                                       L"backups\\holiday.partial\\x",
                                       L"backups\\2024-01-31_10-00-00\\manifest.sha256",
                                       L"memcards\\other.bin.tmp",
                                       L"memcards\\Mcd001.ps2",
                                       L"savedata\\QXUS-40404\\notes.txt.import-tmp",
                                       L"savedata\\QXUS-40404\\save-001.myrsave",
                                       L"states\\quick.state"};
  for (const auto& name : leftovers) putFile(folder / name);
  for (const auto& name : kept) putFile(folder / name);
  putFile(folder / L"myr.ini", "[Game]\r\n");

  LauncherProcess launcher(game.launcher(), kHeadless);
  expectAnswering(launcher);
  for (const auto& name : leftovers) EXPECT_FALSE(std::filesystem::exists(folder / name)) << name;
  EXPECT_FALSE(std::filesystem::exists(folder / L"backups" / L"2024-01-31_10-00-00.partial"));
  for (const auto& name : kept) EXPECT_TRUE(std::filesystem::exists(folder / name)) << name;
  std::ifstream logFile(folder / L"logs" / L"launcher.log", std::ios::binary);
  const std::string log(std::istreambuf_iterator<char>(logFile), {});
  for (const char* line : {"Removed what an interrupted launcher had left: myr.ini.tmp\r\n",
                           "Removed what an interrupted launcher had left: disc\\MODPAK.BIN.partial\r\n",
                           "Removed what an interrupted launcher had left: backups\\2024-01-31_10-00-00.partial\\\r\n",
                           "Removed what an interrupted launcher had left: memcards\\Mcd001.ps2.import-tmp\r\n"}) {
    EXPECT_NE(log.find(line), std::string::npos) << line << log;
  }
  launcher.closeInput();
  EXPECT_EQ(launcher.waitForExit(), 0u);
}

TEST(StartupEndToEnd, StagedCopiesStayWhileARestoreWaitsForThePlayer) {
  GameFolderFixture game;
  putFile(game.folder() / L"backups" / L"restore.journal", "damaged");
  putFile(game.folder() / L"memcards" / L"Mcd001.ps2.import-tmp");
  LauncherProcess launcher(game.launcher(), kHeadless);
  expectAnswering(launcher);
  EXPECT_TRUE(std::filesystem::exists(game.folder() / L"memcards" / L"Mcd001.ps2.import-tmp"));
  launcher.closeInput();
  EXPECT_EQ(launcher.waitForExit(), 0u);
}

}  // namespace
}  // namespace myr
