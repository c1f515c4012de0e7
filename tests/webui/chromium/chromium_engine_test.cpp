// The Chromium engine with the real browser: a file dropped on the page reaches the navigation
// policy as the file URL a view reports, and the page never goes there.

#include <gtest/gtest.h>

#include <shlobj.h>
#include <shlwapi.h>

#include <chrono>
#include <stdexcept>
#include <filesystem>
#include <fstream>
#include <thread>

#include "foundation/files/win_text.h"
#include "support/fake_browser.h"
#include "support/recording_log.h"
#include "support/temp_folder.h"
#include "webui/browser/chromium/chromium_engine_win.h"
#include "webui/browser/ui_thread_queue_win.h"
#include "webui/dropped_file_url.h"

namespace myr::browser::chromium {
namespace {

using namespace std::chrono_literals;
using myr::testing::pumpMessages;
using myr::testing::RecordingLog;

template <class Condition>
bool pumpUntil(Condition condition, std::chrono::seconds timeout = std::chrono::seconds(60)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition() && std::chrono::steady_clock::now() < deadline) {
    pumpMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return condition();
}

// A file as the shell hands a drop to a window: the drop structure and the NUL-ended names.
HGLOBAL dropOf(const std::wstring& path) {
  const std::size_t bytes = sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t);
  const HGLOBAL memory = GlobalAlloc(GHND, bytes);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  path.copy(reinterpret_cast<wchar_t*>(drop + 1), path.size());
  GlobalUnlock(memory);
  return memory;
}

class ChromiumEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!chromiumAvailable()) {
      GTEST_SKIP() << "no browser on this machine";
    }
    parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    engine = makeChromiumEngine([queue = queue](std::function<void()> work) { return queue->post(std::move(work)); },
                                log);
    wchar_t temporary[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temporary);
    profile = std::filesystem::path(temporary) / L"myr_chromium_engine_test";
    ASSERT_EQ(engine->createEnvironment(profile.wstring(), nullptr,
                                        [this](HRESULT result, std::shared_ptr<Environment> created) {
                                          EXPECT_EQ(result, S_OK);
                                          environment = std::move(created);
                                          return S_OK;
                                        }),
              S_OK);
    ASSERT_TRUE(pumpUntil([this] { return environment != nullptr; }));
    ASSERT_EQ(environment->createController(parent,
                                            [this](HRESULT result, std::shared_ptr<Controller> created) {
                                              EXPECT_EQ(result, S_OK);
                                              controller = std::move(created);
                                              return S_OK;
                                            }),
              S_OK);
    ASSERT_TRUE(pumpUntil([this] { return controller != nullptr; }));
  }

  void TearDown() override {
    if (controller) {
      controller->close();
    }
    controller = nullptr;
    environment = nullptr;
    engine = nullptr;
    DestroyWindow(parent);
  }

  RecordingLog log;
  std::shared_ptr<UiThreadQueue> queue = std::make_shared<UiThreadQueue>(log);
  HWND parent = nullptr;
  std::filesystem::path profile;
  std::unique_ptr<Engine> engine;
  std::shared_ptr<Environment> environment;
  std::shared_ptr<Controller> controller;
};

TEST_F(ChromiumEngine, ADroppedFileIsReportedAsItsUrlAndNeverOpened) {
  std::vector<std::wstring> navigations;
  // Even a policy that lets it happen does not take the page to the file.
  controller->view()->onNavigationStarting(
      [&](NavigationStarting& navigation) { navigations.push_back(navigation.uri); });
  const HWND page = FindWindowExW(parent, nullptr, L"MyrLauncherPage", nullptr);
  ASSERT_NE(page, nullptr);
  const std::wstring path = L"C:\\Games\\My Disc #1 \u00e9t\u00e9.iso";
  SendMessageW(page, WM_DROPFILES, reinterpret_cast<WPARAM>(dropOf(path)), 0);
  ASSERT_EQ(navigations, std::vector<std::wstring>{L"file:///C:/Games/My%20Disc%20%231%20%C3%A9t%C3%A9.iso"});
  // The launcher's own conversion gives the real path back.
  wchar_t converted[1040];
  DWORD length = 1040;
  ASSERT_EQ(
      PathCreateFromUrlW(toWide(webui::unescapeUtf8Letters(toUtf8(navigations[0]))).c_str(), converted, &length, 0),
      S_OK);
  EXPECT_EQ(std::wstring(converted), path);
  EXPECT_EQ(navigations.size(), 1u);
}

TEST_F(ChromiumEngine, ReportsTheRunningBrowsersVersion) {
  const std::wstring version = engine->installedVersion();
  ASSERT_FALSE(version.empty());
  EXPECT_TRUE(iswdigit(version.front())) << toUtf8(version);
  EXPECT_NE(version.find(L'.'), std::wstring::npos) << toUtf8(version);
}

// What the page leaves unpainted shows the default background, as in a view: never the
// browser's white.
TEST_F(ChromiumEngine, WhatThePageDoesNotPaintShowsTheDefaultBackground) {
  const myr::testing::TempFolder pages;
  std::ofstream(pages / L"index.html")
      << R"(<!doctype html><body style="margin:0"><div style="width:40px;height:40px;background:#f00"></div>)";
  const std::shared_ptr<View> view = controller->view();
  ShowWindow(parent, SW_SHOWNOACTIVATE);
  controller->setBounds(RECT{0, 0, 200, 150});
  controller->setVisible(true);
  ASSERT_TRUE(controller->setDefaultBackgroundColor(RGB(20, 40, 60)));
  view->mapHostToFolder(L"test.myr.example", pages.path().wstring(), HostAccess::Deny);
  view->navigate(L"https://test.myr.example/index.html");
  const HWND page = FindWindowExW(parent, nullptr, L"MyrLauncherPage", nullptr);
  ASSERT_NE(page, nullptr);
  const auto pixel = [page](int x, int y) {
    const HDC dc = GetDC(page);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(page, dc);
    return colour;
  };
  // The red square proves a frame of the page is on show.
  ASSERT_TRUE(pumpUntil([&] { return pixel(10, 10) == RGB(255, 0, 0); }));
  EXPECT_EQ(pixel(120, 100), RGB(20, 40, 60));
}

// A page that loops for ever: the browser still answers, the page does not.
TEST_F(ChromiumEngine, AHungPageIsReportedAndAReloadBringsItBack) {
  const myr::testing::TempFolder pages;
  std::ofstream(pages / L"index.html") << R"(<!doctype html><script>
    window.chrome.webview.postMessage('loaded');
    window.chrome.webview.addEventListener('message', (e) => { if (e.data.hang) for (;;) {} });
  </script>)";
  const std::shared_ptr<View> view = controller->view();
  int loaded = 0;
  std::vector<ProcessFailure> failures;
  view->mapHostToFolder(L"test.myr.example", pages.path().wstring(), HostAccess::Deny);
  view->onWebMessage([&](const WebMessage& message) { loaded += message.text == L"loaded" ? 1 : 0; });
  view->onProcessFailed([&](ProcessFailure failure) { failures.push_back(failure); });
  view->navigate(L"https://test.myr.example/index.html");
  ASSERT_TRUE(pumpUntil([&] { return loaded == 1; }));
  view->postJson(L"{\"hang\":true}");
  ASSERT_TRUE(pumpUntil([&] { return !failures.empty(); }, 40s));
  EXPECT_EQ(failures, std::vector<ProcessFailure>{ProcessFailure::RenderProcessUnresponsive});
  EXPECT_TRUE(log.contains("The page stopped answering."));
  view->reload();
  ASSERT_TRUE(pumpUntil([&] { return loaded == 2; }, 40s));
  EXPECT_EQ(failures.size(), 1u);
}

// The start thread may still use its log after the test: it lives as long as the program.
RecordingLog startLog;

TEST(ChromiumEngineStart, AnExceptionOnTheStartThreadIsLogged) {
  if (!chromiumAvailable()) {
    GTEST_SKIP() << "no browser on this machine";
  }
  const auto engine = makeChromiumEngine(
      [](std::function<void()>) -> bool { throw std::runtime_error("no way to the UI thread"); }, startLog);
  wchar_t temporary[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, temporary);
  const std::filesystem::path profile = std::filesystem::path(temporary) / L"myr_chromium_start_test";
  ASSERT_EQ(engine->createEnvironment(profile.wstring(), nullptr,
                                      [](HRESULT, std::shared_ptr<Environment>) { return S_OK; }),
            S_OK);
  EXPECT_TRUE(startLog.waitFor("Internal error in the browser's start: no way to the UI thread", 60s));
}

}  // namespace
}  // namespace myr::browser::chromium
