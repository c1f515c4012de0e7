// The page's start-up, the view's policies and page capture, against a fake browser engine.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "foundation/files/win_text.h"
#include "app/main_window_win.h"
#include "support/launcher_fixture.h"
#include "webui/bridge/hosts.h"
#include "webui/web_host_win.h"

namespace myr::webui {
namespace {

using testing::FakeBrowserOptions;
using testing::FakeController;
using testing::LauncherFixture;
using testing::pumpMessages;

constexpr char kQuestion[] = "\n\nStart the game with the current myr.ini instead?";

// The browser may be started while the window is made; its outcome shows only once the page
// starts, whether it came before or after.
enum class BrowserStart { WithThePage, EarlyOutcomeFirst, EarlyPageFirst };

class PageStart : public LauncherFixture {
 protected:
  void startPageAs(BrowserStart start) {
    if (start != BrowserStart::WithThePage) {
      launcher().webHost().startBrowserEarly();
    }
    if (start == BrowserStart::EarlyOutcomeFirst) {
      pumpMessages();
      EXPECT_TRUE(dialogs.empty());
      EXPECT_TRUE(engine->controllers.empty());
    }
    startPage();
  }
};

TEST_F(PageStart, AnEarlyBrowserIsTheOneThePageUses) {
  for (const BrowserStart start : {BrowserStart::EarlyOutcomeFirst, BrowserStart::EarlyPageFirst}) {
    useEngine({});
    startPageAs(start);
    EXPECT_EQ(engine->profileFolders.size(), 1u);
    ASSERT_EQ(engine->controllers.size(), 1u);
    EXPECT_EQ(view().navigations, std::vector<std::wstring>{bridge::kStartUrl});
    EXPECT_TRUE(dialogs.empty());
  }
}

TEST_F(PageStart, NavigatesToThePageWithAnApplicationsSettings) {
  startPage();
  ASSERT_EQ(engine->controllers.size(), 1u);
  EXPECT_EQ(view().navigations, std::vector<std::wstring>{bridge::kStartUrl});
  EXPECT_EQ(launcher().webHost().view(), &view());
  EXPECT_TRUE(dialogs.empty());
  const std::map<std::string, bool> expected{{"devTools", false},
                                             {"contextMenus", false},
                                             {"statusBar", false},
                                             {"zoom", false},
                                             {"hostObjects", false},
                                             {"errorPage", false},
                                             {"acceleratorKeys", false},
                                             {"passwordAutosave", false},
                                             {"generalAutofill", false},
                                             {"pinchZoom", false},
                                             {"swipe", false}};
  EXPECT_EQ(view().settingsApplied, expected);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(controller().bounds.right, client.right);
  EXPECT_EQ(controller().bounds.bottom, client.bottom);
  EXPECT_TRUE(controller().background.has_value());
  EXPECT_EQ(engine->profileFolders.front().substr(engine->profileFolders.front().size() - 13), L"\\myr_launcher");
}

TEST_F(PageStart, DeveloperModeOnlyForExactlyOne) {
  for (const auto& [value, on] : {std::pair{L"1", true}, std::pair{L"true", false}, std::pair{L"01", false}}) {
    setVariable(L"MYR_LAUNCHER_DEVTOOLS", value);
    useEngine({});
    startPage();
    EXPECT_EQ(view().settingsApplied["devTools"], on);
    EXPECT_EQ(view().settingsApplied["contextMenus"], on);
    EXPECT_EQ(view().settingsApplied["acceleratorKeys"], on);
  }
}

TEST_F(PageStart, OlderEnginesSkipNewerSettingsAndDownloadEvents) {
  useEngine({.downloadEvents = false, .newerSettings = false});
  startPage();
  EXPECT_EQ(view().settingsApplied.count("acceleratorKeys"), 0u);
  EXPECT_FALSE(view().hasDownloadHandler());
  EXPECT_EQ(view().navigations.size(), 1u);
}

TEST_F(PageStart, MapsThePageAndTheArtOnlyWhenItsFolderExists) {
  startPage();
  ASSERT_EQ(view().hostMappings.size(), 1u);
  EXPECT_EQ(view().hostMappings[bridge::kUiHost].first, (gameFolder / L"launcher-ui").wstring());
  EXPECT_EQ(view().hostMappings[bridge::kUiHost].second, browser::HostAccess::Deny);

  std::filesystem::create_directories(gameFolder / L"launcher-art");
  useEngine({});
  startPage();
  EXPECT_EQ(view().hostMappings[bridge::kArtHost].first, (gameFolder / L"launcher-art").wstring());
  EXPECT_EQ(view().hostMappings[bridge::kArtHost].second, browser::HostAccess::DenyCors);
}

TEST_F(PageStart, AnswersTheFaviconAndTheGameFigureFromMemory) {
  startPage();
  auto& memory = view().memoryResources;
  ASSERT_EQ(memory.count(bridge::kFaviconUrl), 1u);
  ASSERT_EQ(memory.count(bridge::kGameFigureUrl), 1u);
  EXPECT_FALSE(memory[bridge::kGameFigureUrl]()) << "without art there is no figure";

  launcher().setGameArt({game_icon::Image{16, std::vector<std::uint8_t>(16 * 16 * 4, 0x40)},
                         game_icon::Image{256, std::vector<std::uint8_t>(256 * 256 * 4, 0x80)}});
  const std::optional<browser::MemoryResource> figure = memory[bridge::kGameFigureUrl]();
  ASSERT_TRUE(figure);
  EXPECT_EQ(figure->contentType, "image/png");
  // The largest picture, the one the big icons come from: 256 x 256, RGBA.
  EXPECT_EQ(figure->body.substr(16, 10), std::string("\0\0\x01\0\0\0\x01\0\x08\x06", 10));
}

TEST_F(PageStart, DebuggingPortBecomesABrowserArgumentOrALogLine) {
  struct Case {
    const wchar_t* port;
    const wchar_t* extraArguments;
    std::optional<std::wstring> arguments;
    bool logged;
  };
  const Case cases[] = {
      {L"9222", nullptr, L"--remote-debugging-port=9222", false},
      {L"9222", L"--lang=fr", L"--lang=fr --remote-debugging-port=9222", false},
      {L"1024", nullptr, L"--remote-debugging-port=1024", false},
      {L"80", nullptr, std::nullopt, true},
      {L"70000", nullptr, std::nullopt, true},
      {L"9222a", nullptr, std::nullopt, true},
      {L"", nullptr, std::nullopt, false},
  };
  for (const Case& c : cases) {
    setVariable(L"MYR_LAUNCHER_DEVTOOLS_PORT", c.port);
    setVariable(L"WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS", c.extraArguments);
    useEngine({});
    startPage();
    const auto& options = engine->optionsSeen.front();
    ASSERT_EQ(options.has_value(), c.arguments.has_value()) << toUtf8(c.port);
    if (options) {
      EXPECT_EQ(options->additionalBrowserArguments, *c.arguments);
      EXPECT_EQ(options->targetCompatibleBrowserVersion, L"130.0.2849.39");
      EXPECT_TRUE(options->language.empty());
      EXPECT_FALSE(options->allowSingleSignOnUsingOSPrimaryAccount);
    }
    const std::string ignored = "MYR_LAUNCHER_DEVTOOLS_PORT=" + toUtf8(c.port) + " ignored: not a port from 1024 to 65535";
    const auto logged = launcher().logQueue().take(10).lines;
    std::ifstream file(gameFolder / L"logs" / L"launcher.log", std::ios::binary);
    const std::string launcherLog{std::istreambuf_iterator<char>(file), {}};
    if (c.logged) {
      EXPECT_EQ(logged, std::vector<std::string>{"[myr_launcher] " + ignored});
      EXPECT_NE(launcherLog.find(ignored), std::string::npos) << launcherLog;
    } else {
      EXPECT_TRUE(logged.empty()) << toUtf8(c.port);
      EXPECT_EQ(launcherLog.find("MYR_LAUNCHER_DEVTOOLS_PORT"), std::string::npos) << launcherLog;
    }
  }
}

TEST_F(PageStart, FailuresEndTheLauncherWithTheirMessage) {
  const std::string notInstalled =
      "The Microsoft Edge WebView2 Runtime is not installed. Install it from Microsoft (search for \"WebView2 "
      "Runtime\"), then start the launcher again.";
  struct Case {
    const char* name;
    FakeBrowserOptions options;
    bool removePage;
    std::string text;
    MessageButtons buttons;
  };
  const Case cases[] = {
      {"missing page",
       {},
       true,
       "The launcher's page is missing: " + toUtf8((gameFolder / L"launcher-ui" / L"index.html").wstring()),
       MessageButtons::Ok},
      {"call fails",
       {.createEnvironmentCall = E_ACCESSDENIED},
       false,
       "WebView2 did not start: " + systemErrorText(static_cast<unsigned long>(E_ACCESSDENIED)),
       MessageButtons::Ok},
      {"no runtime",
       {.environmentResult = static_cast<HRESULT>(0x80070002)},
       false,
       notInstalled + kQuestion,
       MessageButtons::YesNo},
      {"broken runtime",
       {.environmentResult = E_FAIL},
       false,
       "WebView2 did not start: " + systemErrorText(static_cast<unsigned long>(E_FAIL)) + "." + kQuestion,
       MessageButtons::YesNo},
      {"no controller",
       {.controllerResult = E_ABORT},
       false,
       "WebView2 did not start: " + systemErrorText(static_cast<unsigned long>(E_ABORT)),
       MessageButtons::Ok},
      {"too old",
       {.hostMapping = false},
       false,
       "The WebView2 Runtime is too old for the launcher. Update Microsoft Edge WebView2.",
       MessageButtons::Ok},
  };
  for (const BrowserStart start :
       {BrowserStart::WithThePage, BrowserStart::EarlyOutcomeFirst, BrowserStart::EarlyPageFirst}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", start " + std::to_string(static_cast<int>(start)));
      dialogs.clear();
      const std::filesystem::path page = gameFolder / L"launcher-ui" / L"index.html";
      if (c.removePage) {
        std::filesystem::remove(page);
      } else {
        std::ofstream(page) << "<!doctype html>";
      }
      useEngine(c.options);
      startPageAs(start);
      ASSERT_EQ(dialogs.size(), 1u);
      EXPECT_EQ(dialogs[0].text, c.text);
      EXPECT_EQ(dialogs[0].buttons, c.buttons);
      EXPECT_FALSE(windowAlive());
    }
  }
}

class ViewPolicies : public LauncherFixture {
 protected:
  void SetUp() override {
    LauncherFixture::SetUp();
    startPage();
  }
};

TEST_F(ViewPolicies, StaysOnTheLaunchersOrigin) {
  EXPECT_FALSE(view().raiseNavigation(L"https://launcher.myr.example/index.html#saves"));
  EXPECT_TRUE(view().raiseNavigation(L"https://elsewhere.example/"));
  EXPECT_TRUE(view().raiseNavigation(L"https://LAUNCHER.myr.example/index.html"));
  EXPECT_TRUE(view().raiseNavigation(L"https://launcher.myr.example"));
  EXPECT_TRUE(view().posted.empty());
  EXPECT_TRUE(view().raiseNewWindow());
  EXPECT_TRUE(view().raiseDownload());
}

TEST_F(ViewPolicies, DroppedFilesThatAreNoDiscImageAreRefused) {
  for (const auto& [url, path] :
       {std::pair{L"file:///C:/games/notes.txt", "C:\\games\\notes.txt"},
        std::pair{L"file:///C:/games/", "C:\\games\\"}, std::pair{L"file:///C:/games/.iso", "C:\\games\\.iso"}}) {
    view().posted.clear();
    EXPECT_TRUE(view().raiseNavigation(url));
    ASSERT_EQ(view().posted.size(), 1u);
    EXPECT_EQ(view().posted[0], std::string(R"({"event":"isoDropped","data":{"accepted":false,"path":")") +
                                    json::write(json::Value(path)).substr(1) +
                                    R"(,"error":"Drop a .iso disc image here."}})");
  }
  // A disc image in any letter case goes to the disc chooser, which checks it.
  view().posted.clear();
  EXPECT_TRUE(view().raiseNavigation(L"file:///C:/games/Disc.ISO"));
  ASSERT_EQ(view().posted.size(), 1u);
  const std::optional<json::Value> dropped = json::parse(view().posted[0]);
  ASSERT_TRUE(dropped.has_value());
  EXPECT_EQ(dropped->get("event").asString(), "isoDropped");
  EXPECT_EQ(dropped->get("data").get("accepted").asBool(), false);
  EXPECT_EQ(dropped->get("data").get("path").asString(), "C:\\games\\Disc.ISO");
  EXPECT_FALSE(dropped->get("data").get("error").asString().empty());
  EXPECT_TRUE(dropped->get("data").get("disc").isObject());
}

TEST_F(ViewPolicies, BrowserFailuresRecreateTheViewThreeTimes) {
  for (int failure = 1; failure <= 4; ++failure) {
    FakeController& failed = controller();
    view().raiseProcessFailed(browser::ProcessFailure::BrowserProcessExited);
    EXPECT_TRUE(failed.closed);
    pumpMessages();
    EXPECT_EQ(engine->controllers.size(), static_cast<size_t>(std::min(failure, 3) + 1));
  }
  EXPECT_EQ(launcher().webHost().view(), nullptr);
  EXPECT_TRUE(windowAlive());
}

TEST_F(ViewPolicies, RenderFailuresReload) {
  view().raiseProcessFailed(browser::ProcessFailure::RenderProcessExited);
  view().raiseProcessFailed(browser::ProcessFailure::RenderProcessUnresponsive);
  view().raiseProcessFailed(browser::ProcessFailure::Other);
  EXPECT_EQ(view().reloads, 2);
  EXPECT_EQ(engine->controllers.size(), 1u);
}

TEST_F(ViewPolicies, AHungPageIsReloadedWhileRestartsAreLeft) {
  view().raiseProcessFailed(browser::ProcessFailure::BrowserProcessExited);
  pumpMessages();
  for (int hang = 1; hang <= 3; ++hang) {
    view().raiseProcessFailed(browser::ProcessFailure::RenderProcessUnresponsive);
  }
  EXPECT_EQ(view().reloads, 2);
  // An ended renderer costs no restart; a browser that ends now is not started again.
  view().raiseProcessFailed(browser::ProcessFailure::RenderProcessExited);
  EXPECT_EQ(view().reloads, 3);
  view().raiseProcessFailed(browser::ProcessFailure::BrowserProcessExited);
  pumpMessages();
  EXPECT_EQ(engine->controllers.size(), 2u);
  EXPECT_EQ(launcher().webHost().view(), nullptr);
}

TEST_F(ViewPolicies, CaptureWritesTheViewsPictureThenEndsTheLauncher) {
  const std::filesystem::path picture = gameFolder / L"page.png";
  launcher().setCapturePath(picture.wstring());
  SendMessageW(window, WM_TIMER, app::kCaptureTimer, 0);
  ASSERT_NE(view().captureStream, nullptr);
  const char png[] = "\x89PNG picture";
  ULONG written = 0;
  view().captureStream->Write(png, sizeof png - 1, &written);
  EXPECT_TRUE(windowAlive());
  view().captureDone(S_OK);
  EXPECT_FALSE(windowAlive());
  std::ifstream file(picture, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), std::string(png, sizeof png - 1));
}

TEST_F(ViewPolicies, CaptureIntoAMissingFolderEndsWithoutAFile) {
  launcher().setCapturePath((gameFolder / L"missing" / L"page.png").wstring());
  SendMessageW(window, WM_TIMER, app::kCaptureTimer, 0);
  EXPECT_EQ(view().captureStream, nullptr);
  EXPECT_FALSE(windowAlive());
}

}  // namespace
}  // namespace myr::webui
