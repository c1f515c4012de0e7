#include "app/window_size.h"

#include <algorithm>
#include <cstdint>

namespace myr::app {
namespace {

// Rounded multiply-divide, as the system's MulDiv.
int scale(int value, int dpi) {
  const std::int64_t product = static_cast<std::int64_t>(value) * dpi;
  return static_cast<int>((product + 48) / 96);
}

bool isFormatSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Reads a number the way "%d" does (leading blanks, a sign, digits), saturating instead of
// overflowing: out-of-range values only need to fail the bounds check.
std::optional<std::int64_t> readDecimal(std::string_view text, std::size_t& pos) {
  while (pos < text.size() && isFormatSpace(text[pos])) {
    ++pos;
  }
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  const std::size_t digitsStart = pos;
  std::int64_t value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    value = std::min<std::int64_t>(value * 10 + (text[pos] - '0'), INT32_MAX + std::int64_t{1});
    ++pos;
  }
  if (pos == digitsStart) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

}  // namespace

std::optional<WindowSize> parseSizeOverride(std::string_view text) {
  std::size_t pos = 0;
  const auto width = readDecimal(text, pos);
  if (!width || pos >= text.size() || text[pos] != 'x') {
    return std::nullopt;
  }
  ++pos;
  const auto height = readDecimal(text, pos);
  if (!height) {
    return std::nullopt;
  }
  if (*width < 640 || *width > 4096 || *height < 480 || *height > 4096) {
    return std::nullopt;
  }
  return WindowSize{static_cast<int>(*width), static_cast<int>(*height)};
}

WindowRect mainWindowRect(const WindowRect& workArea, int dpi, WindowSize size) {
  const int width = std::min(scale(size.width, dpi), workArea.width * 95 / 100);
  const int height = std::min(scale(size.height, dpi), workArea.height * 95 / 100);
  return WindowRect{workArea.left + (workArea.width - width) / 2, workArea.top + (workArea.height - height) / 2, width,
                    height};
}

}  // namespace myr::app
