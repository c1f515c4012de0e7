// The main window's messages with the real window procedure and a fake browser.

#include <gtest/gtest.h>

#include <thread>

#include "app/game_art_win.h"
#include "app/main_window_win.h"
#include "art/icon_pixels_win.h"
#include "disc/disc_fixtures.h"
#include "support/launcher_fixture.h"
#include "webui/bridge/bridge_win.h"
#include "webui/bridge/hosts.h"

namespace myr {
namespace {

using testing::LauncherFixture;
using testing::pumpMessages;

class MainWindow : public LauncherFixture {
 protected:
  void SetUp() override {
    LauncherFixture::SetUp();
    startPage();
  }

  void pageSends(const std::string& request) {
    view().raiseWebMessage(bridge::kUiOrigin + std::wstring(L"index.html"), toWideAscii(request));
  }

  static std::wstring toWideAscii(const std::string& text) { return std::wstring(text.begin(), text.end()); }

  void close() {
    SendMessageW(window, WM_CLOSE, 0, 0);
    pumpMessages();
  }
};

TEST_F(MainWindow, ClosesAtOnceWhenNothingRuns) {
  close();
  EXPECT_FALSE(windowAlive());
  EXPECT_TRUE(view().posted.empty());
}

TEST_F(MainWindow, AsksThePageOnceWhileTheGameRunsOrAFileOperationRuns) {
  struct Case {
    bool running;
    bool busy;
    const char* event;
  };
  for (const Case& c : {Case{false, true, R"({"event":"closeRequested","data":{"running":false,"busy":true}})"},
                        Case{true, false, R"({"event":"closeRequested","data":{"running":true,"busy":false}})"},
                        Case{true, true, R"({"event":"closeRequested","data":{"running":true,"busy":true}})"}}) {
    useEngine({});
    startPage();
    if (c.busy) {
      holdFileOperation();
    }
    if (c.running) {
      launcher().game() =
          runner::GameProcess(std::make_shared<const WinHandle>(OpenProcess(SYNCHRONIZE, FALSE, GetCurrentProcessId())),
                              GetCurrentProcessId(), 0, std::thread());
    }
    close();
    ASSERT_TRUE(windowAlive());
    EXPECT_EQ(view().posted, std::vector<std::string>{c.event});
    // A second close before the page answers closes.
    close();
    EXPECT_FALSE(windowAlive());
    launcher().game() = runner::GameProcess();
  }
}

// A script's window.close() is a close like any other: it never ends a busy launcher by itself.
TEST_F(MainWindow, ThePageClosingItsWindowFollowsTheClosingRules) {
  holdFileOperation();
  view().raiseCloseRequested();
  pumpMessages();
  ASSERT_TRUE(windowAlive());
  EXPECT_EQ(view().posted,
            std::vector<std::string>{R"({"event":"closeRequested","data":{"running":false,"busy":true}})"});

  useEngine({});
  startPage();
  view().raiseCloseRequested();
  pumpMessages();
  EXPECT_FALSE(windowAlive());
}

// Nobody would answer "closeRequested" for a page whose user is gone.
TEST_F(MainWindow, AnAbandonedPageEndsTheLauncherEvenWhileBusy) {
  holdFileOperation();
  view().raisePageAbandoned();
  pumpMessages();
  EXPECT_FALSE(windowAlive());
  EXPECT_TRUE(view().posted.empty());
}

TEST_F(MainWindow, KeepOpenArmsTheQuestionAgain) {
  holdFileOperation();
  close();
  pageSends(R"({"id":4,"cmd":"keepOpen"})");
  close();
  ASSERT_TRUE(windowAlive());
  EXPECT_EQ(view().posted.size(), 3u);
  EXPECT_EQ(view().posted[1], R"({"id":4,"ok":true,"result":{}})");
  EXPECT_EQ(view().posted[2], view().posted[0]);
}

TEST_F(MainWindow, QuitRepliesThenClosesEvenWhileBusy) {
  holdFileOperation();
  pageSends(R"({"id":9,"cmd":"quit"})");
  EXPECT_EQ(view().posted, std::vector<std::string>{R"({"id":9,"ok":true,"result":{}})"});
  pumpMessages();
  EXPECT_FALSE(windowAlive());
}

TEST_F(MainWindow, ClosingWithoutAPageClosesAtOnce) {
  holdFileOperation();
  launcher().webHost().givePageUp();
  close();
  EXPECT_FALSE(windowAlive());
}

TEST_F(MainWindow, ReadyStartsTheCaptureOnlyInCaptureMode) {
  pageSends(R"({"id":1,"cmd":"ready"})");
  EXPECT_EQ(view().posted, std::vector<std::string>{R"({"id":1,"ok":true,"result":{}})"});
  // Outside capture mode there is no timer to stop.
  EXPECT_FALSE(KillTimer(window, app::kCaptureTimer));
  launcher().setCapturePath(L"C:\\page.png");
  pageSends(R"({"id":2,"cmd":"ready"})");
  EXPECT_TRUE(KillTimer(window, app::kCaptureTimer));
}

TEST_F(MainWindow, RepliesFromOtherThreadsArriveInOrder) {
  bridge::Bridge& bridge = launcher().bridge();
  std::thread worker([&bridge] {
    EXPECT_TRUE(bridge.postJson(R"({"id":1,"ok":true,"result":{}})"));
    EXPECT_TRUE(bridge.postJson(R"({"event":"notice","data":{"text":"x"}})"));
  });
  worker.join();
  pumpMessages();
  EXPECT_EQ(view().posted, (std::vector<std::string>{R"({"id":1,"ok":true,"result":{}})",
                                                     R"({"event":"notice","data":{"text":"x"}})"}));
  // Without a view the text is dropped.
  launcher().webHost().releaseBrowser();
  EXPECT_TRUE(bridge.postJson("{}"));
  pumpMessages();
}

TEST_F(MainWindow, KeepsTheViewSizedFocusedAndPlaced) {
  controller().visible = false;
  SetWindowPos(window, nullptr, 10, 10, 900, 650, SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_TRUE(controller().visible);
  EXPECT_EQ(controller().bounds.right, client.right);
  EXPECT_EQ(controller().bounds.bottom, client.bottom);
  EXPECT_GT(controller().parentMoves, 0);
  const int focusMoves = controller().focusMoves;
  SendMessageW(window, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_GT(controller().focusMoves, focusMoves);
  MINMAXINFO limits{};
  SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  const UINT dpi = GetDpiForWindow(window);
  EXPECT_EQ(limits.ptMinTrackSize.x, MulDiv(860, static_cast<int>(dpi), 96));
  EXPECT_EQ(limits.ptMinTrackSize.y, MulDiv(580, static_cast<int>(dpi), 96));
}

TEST_F(MainWindow, MovesToTheSuggestedRectangleWhenTheDpiChanges) {
  RECT suggested{40, 30, 40 + 900, 30 + 700};
  EXPECT_EQ(SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested)), 0);
  RECT now{};
  GetWindowRect(window, &now);
  EXPECT_EQ(now.left, 40);
  EXPECT_EQ(now.top, 30);
  EXPECT_EQ(now.right - now.left, 900);
  EXPECT_EQ(now.bottom - now.top, 700);
  // Without game art the window wears the program's own icon.
  EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);
}

HICON windowIcon(HWND window, WPARAM which) {
  return reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, which, 0));
}

// The art's picture that an icon of this side shows (the nearest at least as large), as B, G, R, A.
std::vector<std::uint8_t> expectedIcon(const std::vector<game_icon::Image>& art, std::int32_t side) {
  for (const game_icon::Image& image : art) {
    if (image.size >= side) {
      std::vector<std::uint8_t> bgra = image.pixels;
      for (std::size_t i = 0; i < bgra.size(); i += 4) {
        std::swap(bgra[i], bgra[i + 2]);
      }
      return bgra;
    }
  }
  return {};
}

// The window wears the figure of the image in use: after each stored image its icons show that
// image's art, and the icons made for the image before are destroyed.
TEST_F(MainWindow, WearsTheArtOfTheStoredImageAndLetsTheOldIconsGo) {
  const UINT dpi = GetDpiForWindow(window);
  const std::pair<WPARAM, int> kinds[] = {{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}};
  // As at start-up without art.
  launcher().setWindowIcons();
  for (const auto& [which, metric] : kinds) {
    const int side = GetSystemMetricsForDpi(metric, dpi);
    EXPECT_EQ(windowIcon(window, which),
              LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, side, side, LR_SHARED));
  }

  std::vector<HICON> previous;
  for (const std::filesystem::path& image :
       {std::filesystem::path(MYR_TEST_DEMO_DISC), disc::testing::fixturePath("demo.iso")}) {
    SCOPED_TRACE(image.string());
    launcher().imageStored(image);
    const std::vector<game_icon::Image> art = app::loadArtOfImage(image);
    ASSERT_FALSE(art.empty());
    for (const auto& [which, metric] : kinds) {
      const art::IconPixels shown = art::iconPixels(windowIcon(window, which));
      EXPECT_EQ(shown.side, GetSystemMetricsForDpi(metric, dpi));
      EXPECT_EQ(shown.bgra, expectedIcon(art, shown.side));
    }
    for (const HICON old : previous) {
      EXPECT_EQ(art::iconPixels(old).side, 0) << "an icon of the image before is left";
    }
    previous = {windowIcon(window, ICON_BIG), windowIcon(window, ICON_SMALL)};
  }
}

TEST_F(MainWindow, HandOverStartsThePageAndShowsTheWindow) {
  useEngine({});
  COPYDATASTRUCT plain{};
  plain.dwData = app::kHandOverPlain;
  EXPECT_EQ(SendMessageW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&plain)), TRUE);
  pumpMessages();
  EXPECT_EQ(engine->controllers.size(), 1u);
  EXPECT_TRUE(IsWindowVisible(window));
  COPYDATASTRUCT other{};
  other.dwData = 0x1234;
  EXPECT_EQ(SendMessageW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&other)), FALSE);
}

TEST_F(MainWindow, ThemeFollowsTheSettingAndTheSystem) {
  struct Case {
    const char* theme;
    DWORD appsUseLightTheme;
    bool dark;
  };
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize", 0,
                            nullptr, 0, KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  for (const Case& c : {Case{"dark", 1, true}, Case{"light", 0, false}, Case{"system", 0, true},
                        Case{"system", 1, false}, Case{"Dark", 0, false}, Case{"auto", 0, false}}) {
    RegSetValueExW(key, L"AppsUseLightTheme", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&c.appsUseLightTheme),
                   sizeof c.appsUseLightTheme);
    launcher().setTheme(c.theme);
    EXPECT_EQ(launcher().dark(), c.dark) << c.theme << " " << c.appsUseLightTheme;
    EXPECT_EQ(controller().background, c.dark ? RGB(16, 20, 20) : RGB(246, 250, 248)) << c.theme;
  }
  RegDeleteValueW(key, L"AppsUseLightTheme");
  RegCloseKey(key);
  launcher().setTheme("system");
  EXPECT_FALSE(launcher().dark());
}

// Work that throws inside a window message is reported to the log and the launcher goes on.
TEST_F(MainWindow, AnExceptionInsideAWindowMessageIsLoggedNotFatal) {
  bridge::Bridge& bridge = launcher().bridge();
  // The posted text reaches the window procedure, whose delivery throws through the view.
  view().throwOnPost = true;
  ASSERT_TRUE(bridge.postJson(R"({"event":"notice","data":{}})"));
  pumpMessages();
  EXPECT_TRUE(windowAlive());
  EXPECT_EQ(launcher().logQueue().take(10).lines,
            std::vector<std::string>{"[myr_launcher] Internal error in message 0x8001: the page is gone"});
  view().throwOnPost = false;
  pageSends(R"({"id":5,"cmd":"ready"})");
  EXPECT_EQ(view().posted, std::vector<std::string>{R"({"id":5,"ok":true,"result":{}})"});
}

}  // namespace
}  // namespace myr
