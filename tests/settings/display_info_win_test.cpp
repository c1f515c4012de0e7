// The display query on the machine it runs on; under Xvfb there is no real monitor behind the mode.

#include "settings/display_info_win.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>

namespace myr::settings {
namespace {

TEST(DisplayQuery, PrimaryMonitorsModeWithoutWaiting) {
  const auto start = std::chrono::steady_clock::now();
  const DisplayInfo display = queryDisplayInfo(nullptr);
  const auto took = std::chrono::steady_clock::now() - start;
  std::cout << "display " << display.width << "x" << display.height << " at " << display.refreshHz << " Hz in "
            << std::chrono::duration<double, std::milli>(took).count() << " ms\n";
  ASSERT_TRUE(display.ok);
  EXPECT_EQ(display.width, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(display.height, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_GE(display.refreshHz, 0);
  EXPECT_LT(took, std::chrono::seconds(2));
}

TEST(DisplayQuery, WindowOnNoMonitorIsShownByThePrimaryOne) {
  const HWND window = CreateWindowExW(0, L"STATIC", L"away", WS_POPUP, -30000, -30000, 10, 10, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  const DisplayInfo onWindow = queryDisplayInfo(window);
  const DisplayInfo primary = queryDisplayInfo(nullptr);
  DestroyWindow(window);
  EXPECT_TRUE(onWindow.ok);
  EXPECT_EQ(onWindow.width, primary.width);
  EXPECT_EQ(onWindow.height, primary.height);
  EXPECT_EQ(onWindow.refreshHz, primary.refreshHz);
}

TEST(DisplayQuery, ExactRateOnlyFromAPathOfTheNamedDevice) {
  EXPECT_EQ(displayPathRefreshHz(L"\\\\.\\NO-SUCH-DISPLAY", 60.5), 60.5);
  EXPECT_EQ(displayPathRefreshHz(L"", 0), 0);
}

}  // namespace
}  // namespace myr::settings
