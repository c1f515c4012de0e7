#include "settings/display_info.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "foundation/json/json.h"

namespace myr::settings {
namespace {

TEST(DisplayInfo, ScaleIsWholeMultiplesOf448LinesFromOneToSix) {
  const struct {
    std::int32_t height;
    int scale;
  } cases[] = {{-5, 1},
               {0, 1},
               {1, 1},
               {448, 1},
               {449, 2},
               {480, 2},
               {1080, 3},
               {1440, 4},
               {2160, 5},
               {2240, 5},
               {2241, 6},
               {2688, 6},
               {std::numeric_limits<std::int32_t>::max(), 6}};
  for (const auto& c : cases) {
    EXPECT_EQ(displayScale(c.height), c.scale) << c.height;
  }
}

TEST(DisplayInfo, FrameRateCountsARateJustBelowAsReached) {
  const struct {
    double hz;
    int frameRate;
  } cases[] = {{0, 60},      {-30, 60},     {std::numeric_limits<double>::quiet_NaN(), 60},
               {59.94, 60},  {60.5, 60},    {119.4, 60},
               {119.5, 120}, {119.88, 120}, {143.49, 120},
               {143.5, 144}, {143.98, 144}, {143.998, 144},
               {165, 144},   {239.5, 240},  {1000, 240}};
  for (const auto& c : cases) {
    EXPECT_EQ(displayFrameRate(c.hz), c.frameRate) << c.hz;
  }
}

TEST(DisplayInfo, FallbackAddsHalfAHertzAndExactRateNeedsBothParts) {
  EXPECT_EQ(fallbackRefreshHz(0), 0);
  EXPECT_EQ(fallbackRefreshHz(1), 0);
  EXPECT_EQ(fallbackRefreshHz(2), 2.5);
  EXPECT_EQ(fallbackRefreshHz(60), 60.5);
  EXPECT_DOUBLE_EQ(exactRefreshHz(60000, 1001, 60.5), 60000.0 / 1001);
  EXPECT_EQ(exactRefreshHz(143998, 1000, 143.5), 143.998);
  EXPECT_EQ(exactRefreshHz(144, 0, 144.5), 144.5);
  EXPECT_EQ(exactRefreshHz(0, 1, 60.5), 60.5);
}

TEST(DisplayInfo, ObjectHoldsOkAloneUnlessTheModeWasFound) {
  const struct {
    DisplayInfo display;
    const char* json;
  } cases[] = {
      {{}, R"({"ok":false})"},
      {{true, 2560, 1440, exactRefreshHz(143998, 1000, fallbackRefreshHz(143))},
       R"({"ok":true,"width":2560,"height":1440,"hz":143.99799999999999,"scale":4,"frameRate":144})"},
      {{true, 1920, 1080, fallbackRefreshHz(60)},
       R"({"ok":true,"width":1920,"height":1080,"hz":60.5,"scale":3,"frameRate":60})"},
      {{true, 1024, 768, fallbackRefreshHz(1)},
       R"({"ok":true,"width":1024,"height":768,"hz":0,"scale":2,"frameRate":60})"},
      {{true, 640, 448, exactRefreshHz(60, 0, fallbackRefreshHz(120))},
       R"({"ok":true,"width":640,"height":448,"hz":120.5,"scale":1,"frameRate":120})"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(json::write(displayObject(c.display)), c.json);
  }
}

}  // namespace
}  // namespace myr::settings
