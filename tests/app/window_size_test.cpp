#include "app/window_size.h"

#include <gtest/gtest.h>

namespace myr::app {
namespace {

TEST(SizeOverride, ReadsTwoNumbersWithinBounds) {
  struct Case {
    const char* text;
    std::optional<WindowSize> size;
  };
  const Case cases[] = {
      {"800x600", WindowSize{800, 600}},
      {"800x600 and more", WindowSize{800, 600}},
      {"640x480", WindowSize{640, 480}},
      {"4096x4096", WindowSize{4096, 4096}},
      {" +800x 600", WindowSize{800, 600}},  // as "%dx%d" reads it
      {"639x600", std::nullopt},
      {"800x4097", std::nullopt},
      {"800 x600", std::nullopt},
      {"800X600", std::nullopt},
      {"800x", std::nullopt},
      {"", std::nullopt},
      {"99999999999999999999x600", std::nullopt},
      {"-800x600", std::nullopt},
  };
  for (const Case& c : cases) {
    const auto size = parseSizeOverride(c.text);
    ASSERT_EQ(size.has_value(), c.size.has_value()) << c.text;
    if (size) {
      EXPECT_EQ(size->width, c.size->width) << c.text;
      EXPECT_EQ(size->height, c.size->height) << c.text;
    }
  }
}

TEST(MainWindowRect, ScalesCapsAndCentres) {
  struct Case {
    WindowRect work;
    int dpi;
    WindowSize size;
    WindowRect expected;
  };
  const Case cases[] = {
      {{0, 0, 1920, 1040}, 96, kDefaultWindowSize, {370, 140, 1180, 760}},
      {{0, 0, 1366, 728}, 96, kDefaultWindowSize, {93, 18, 1180, 691}},
      {{0, 0, 3840, 2100}, 144, kDefaultWindowSize, {1035, 480, 1770, 1140}},
      {{0, 0, 1920, 1040}, 96, WindowSize{800, 600}, {560, 220, 800, 600}},
      {{100, 50, 1000, 700}, 96, kDefaultWindowSize, {125, 67, 950, 665}},
  };
  for (const Case& c : cases) {
    const WindowRect r = mainWindowRect(c.work, c.dpi, c.size);
    EXPECT_EQ(r.left, c.expected.left);
    EXPECT_EQ(r.top, c.expected.top);
    EXPECT_EQ(r.width, c.expected.width);
    EXPECT_EQ(r.height, c.expected.height);
  }
}

}  // namespace
}  // namespace myr::app
