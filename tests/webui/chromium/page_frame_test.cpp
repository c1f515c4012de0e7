// The page's frames on their way to the window: decoded into bitmaps that are reused, only the
// newest shown, and painted without waiting for the message loop.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/bytes/base64.h"
#include "support/recording_log.h"
#include "webui/browser/chromium/page_frame_win.h"
#include "webui/browser/chromium/page_window_win.h"
#include "webui/browser/png_encoder.h"

namespace myr::browser::chromium {
namespace {

using namespace std::chrono_literals;

// A picture of one colour, as the browser would send it.
std::string flatPng(std::uint32_t width, std::uint32_t height, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  std::vector<std::uint8_t> rgb(3 * width * height);
  for (std::size_t i = 0; i < rgb.size(); i += 3) {
    rgb[i] = red;
    rgb[i + 1] = green;
    rgb[i + 2] = blue;
  }
  return *encodeRgbPng(width, height, rgb);
}

std::vector<std::uint8_t> colourBytes(const FrameBitmap& frame) {
  std::vector<std::uint8_t> bgr;
  for (std::uint32_t i = 0; i < frame.width() * frame.height(); ++i) {
    bgr.insert(bgr.end(), frame.bits() + 4 * i, frame.bits() + 4 * i + 3);
  }
  return bgr;
}

TEST(FrameBitmaps, ABitmapOfTheSameSizeIsReusedAnotherIsNot) {
  Result<std::unique_ptr<FrameBitmap>> first = decodeFrame(flatPng(3, 2, 255, 0, 0), nullptr);
  ASSERT_TRUE(first);
  const HBITMAP memory = (*first)->handle();
  Result<std::unique_ptr<FrameBitmap>> same = decodeFrame(flatPng(3, 2, 0, 0, 255), std::move(*first));
  ASSERT_TRUE(same);
  EXPECT_EQ((*same)->handle(), memory);
  std::vector<std::uint8_t> blue(18, 0);
  for (std::size_t i = 0; i < blue.size(); i += 3) {
    blue[i] = 255;
  }
  EXPECT_EQ(colourBytes(**same), blue);
  Result<std::unique_ptr<FrameBitmap>> larger = decodeFrame(flatPng(4, 2, 0, 0, 255), std::move(*same));
  ASSERT_TRUE(larger);
  EXPECT_EQ((*larger)->width(), 4u);
  EXPECT_NE((*larger)->handle(), memory);
}

// Holds the decoder's thread inside its first report until the test lets it go.
class HeldReports {
 public:
  void report() {
    std::unique_lock lock(mutex_);
    ++reports_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return released_; });
  }
  bool waitForReports(int count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 10s, [&] { return reports_ >= count; });
  }
  void release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int reports_ = 0;
  bool released_ = false;
};

TEST(FrameDecoder, OnlyTheNewestFrameIsShownAndTheShownOneIsNeverWrittenInto) {
  myr::testing::RecordingLog log;
  HeldReports reports;
  FrameDecoder decoder([&] { reports.report(); }, log);
  const auto colourOf = [](const std::unique_ptr<FrameBitmap>& frame) { return colourBytes(*frame).at(2); };

  decoder.submit(encodeBase64(flatPng(2, 2, 10, 0, 0)));
  ASSERT_TRUE(reports.waitForReports(1));
  // While the first frame waits to be taken, two more come: the middle one is never decoded,
  // the first is overtaken by the last.
  decoder.submit(encodeBase64(flatPng(2, 2, 20, 0, 0)));
  decoder.submit(encodeBase64(flatPng(2, 2, 30, 0, 0)));
  reports.release();
  ASSERT_TRUE(reports.waitForReports(2));
  std::unique_ptr<FrameBitmap> shown = decoder.takeNewest();
  ASSERT_TRUE(shown);
  EXPECT_EQ(colourOf(shown), 30);
  EXPECT_FALSE(decoder.takeNewest());

  decoder.submit(encodeBase64(flatPng(2, 2, 40, 0, 0)));
  ASSERT_TRUE(reports.waitForReports(3));
  std::unique_ptr<FrameBitmap> next = decoder.takeNewest();
  ASSERT_TRUE(next);
  EXPECT_NE(next->handle(), shown->handle());
  EXPECT_EQ(colourOf(shown), 30);
  EXPECT_EQ(colourOf(next), 40);

  // Once no longer shown, a frame's memory takes the next frame of its size.
  const HBITMAP recycled = shown->handle();
  decoder.recycle(std::move(shown));
  decoder.submit(encodeBase64(flatPng(2, 2, 50, 0, 0)));
  ASSERT_TRUE(reports.waitForReports(4));
  const std::unique_ptr<FrameBitmap> last = decoder.takeNewest();
  ASSERT_TRUE(last);
  EXPECT_EQ(last->handle(), recycled);
  EXPECT_EQ(colourOf(last), 50);
  EXPECT_TRUE(log.messages().empty());
}

TEST(FrameDecoder, ADamagedFrameIsLeftOutAndLoggedOnceTheNextOneShows) {
  myr::testing::RecordingLog log;
  HeldReports reports;
  reports.release();
  FrameDecoder decoder([&] { reports.report(); }, log);
  const std::string good = flatPng(2, 2, 10, 20, 30);
  const std::string cut = good.substr(0, good.size() - 20);

  decoder.submit(encodeBase64(cut));
  ASSERT_TRUE(log.waitFor("A picture of the page could not be decoded"));
  decoder.submit(encodeBase64(good));
  ASSERT_TRUE(reports.waitForReports(1));
  const std::unique_ptr<FrameBitmap> shown = decoder.takeNewest();
  ASSERT_TRUE(shown);
  EXPECT_EQ(colourBytes(*shown), (std::vector<std::uint8_t>{30, 20, 10, 30, 20, 10, 30, 20, 10, 30, 20, 10}));
  decoder.submit("not Base64 !");
  decoder.submit(encodeBase64(cut));
  decoder.submit(encodeBase64(good));
  ASSERT_TRUE(reports.waitForReports(2));
  EXPECT_EQ(log.messages().size(), 1u);
}

TEST(PageWindow, AFrameIsPaintedBeforeTheMessageLoopRunsAgain) {
  myr::testing::RecordingLog log;
  const HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 64, 48, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(parent, nullptr);
  const auto flat = [](std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    Result<std::unique_ptr<FrameBitmap>> made = FrameBitmap::make(64, 48);
    std::unique_ptr<FrameBitmap> frame = std::move(*made);
    for (std::uint32_t i = 0; i < 64 * 48; ++i) {
      frame->bits()[4 * i] = blue;
      frame->bits()[4 * i + 1] = green;
      frame->bits()[4 * i + 2] = red;
    }
    return frame;
  };
  const auto pixel = [](HWND window) {
    const HDC dc = GetDC(window);
    const COLORREF colour = GetPixel(dc, 32, 24);
    ReleaseDC(window, dc);
    return colour;
  };
  {
    PageWindow page(parent, PageWindow::Handlers{[](std::string_view, const json::Value&) {}, [](const std::wstring&) {},
                                                 [] {}},
                    log);
    ASSERT_TRUE(page.created());
    page.setBounds(RECT{0, 0, 64, 48});
    std::unique_ptr<FrameBitmap> red = flat(0, 0, 255);
    const HBITMAP redMemory = red->handle();
    EXPECT_FALSE(page.show(std::move(red)));
    EXPECT_EQ(pixel(page.handle()), RGB(255, 0, 0));
    const std::unique_ptr<FrameBitmap> replaced = page.show(flat(255, 0, 0));
    EXPECT_EQ(pixel(page.handle()), RGB(0, 0, 255));
    ASSERT_TRUE(replaced);
    EXPECT_EQ(replaced->handle(), redMemory);
  }
  DestroyWindow(parent);
}

}  // namespace
}  // namespace myr::browser::chromium
