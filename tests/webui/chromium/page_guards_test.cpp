// The page's window and its frame decoder: what their handlers throw goes to the launcher's log,
// and they go on working.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "foundation/bytes/base64.h"
#include "support/recording_log.h"
#include "webui/browser/chromium/page_frame_win.h"
#include "webui/browser/chromium/page_window_win.h"
#include "webui/browser/png_encoder.h"

namespace myr::browser::chromium {
namespace {

using namespace std::chrono_literals;

TEST(PageWindow, AHandlerThatThrowsIsLoggedAndTheWindowGoesOn) {
  myr::testing::RecordingLog log;
  const HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
  std::vector<std::string> inputs;
  {
    PageWindow page(parent,
                    PageWindow::Handlers{[&](std::string_view, const json::Value& params) {
                                           inputs.emplace_back(params.get("type").asString());
                                           if (inputs.size() == 1) throw std::runtime_error("input refused");
                                         },
                                         [](const std::wstring&) {}, [] {}},
                    log);
    ASSERT_TRUE(page.created());
    SendMessageW(page.handle(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    SendMessageW(page.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  }
  DestroyWindow(parent);
  EXPECT_EQ(inputs, (std::vector<std::string>{"mouseMoved", "mousePressed"}));
  EXPECT_TRUE(log.contains("Internal error in the page's window: input refused"));
}

TEST(FrameDecoder, AFrameWhoseReportThrowsIsLoggedAndTheNextStillComes) {
  myr::testing::RecordingLog log;
  const Result<std::string> png = encodeRgbPng(2, 1, {255, 0, 0, 0, 0, 255});
  ASSERT_TRUE(png);
  std::atomic<int> reported{0};
  FrameDecoder decoder(
      [&] {
        if (++reported == 1) throw std::runtime_error("no room for the frame");
      },
      log);
  decoder.submit(encodeBase64(*png));
  ASSERT_TRUE(log.waitFor("Internal error in the page's frame decoder: no room for the frame", 10s));
  decoder.submit(encodeBase64(*png));
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (reported < 2 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(reported, 2);
  const std::unique_ptr<FrameBitmap> frame = decoder.takeNewest();
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->width(), 2u);
}

}  // namespace
}  // namespace myr::browser::chromium
