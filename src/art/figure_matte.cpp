#include "art/figure_matte.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace myr::art {

namespace {

constexpr std::uint8_t kBackgroundLevel = 241;

// The normalised Gaussian of standard deviation 0.8.
constexpr float kTap0 = 0.021929651f;
constexpr float kTap1 = 0.22851217f;
constexpr float kTap2 = 0.49911642f;

// A plain grid of one value per pixel, with coordinates clamped to the picture.
template <class T>
struct Plane {
  std::size_t width;
  std::size_t height;
  std::vector<T> values;

  Plane(std::size_t w, std::size_t h, T fill) : width(w), height(h), values(w * h, fill) {}
  T* row(std::size_t y) { return values.data() + y * width; }
  const T* row(std::size_t y) const { return values.data() + y * width; }
  const T* clampedRow(std::ptrdiff_t y) const {
    return row(static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(y, 0, static_cast<std::ptrdiff_t>(height) - 1)));
  }
  std::size_t clampedX(std::ptrdiff_t x) const {
    return static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(x, 0, static_cast<std::ptrdiff_t>(width) - 1));
  }
};

bool isBackgroundColoured(const Tim2Picture& picture, std::size_t index) {
  const std::uint8_t* rgba = picture.pixels.data() + 4 * index;
  return std::min({rgba[0], rgba[1], rgba[2]}) >= kBackgroundLevel;
}

// 255 on the figure, 0 on background-coloured pixels joined to the border; near-white areas
// enclosed by the figure stay 255.
Plane<std::uint8_t> figureMask(const Tim2Picture& picture) {
  const auto width = static_cast<std::size_t>(picture.width);
  const auto height = static_cast<std::size_t>(picture.height);
  Plane<std::uint8_t> mask(width, height, 255);
  std::vector<std::size_t> stack;
  const auto visit = [&](std::size_t index) {
    if (mask.values[index] != 0 && isBackgroundColoured(picture, index)) {
      mask.values[index] = 0;
      stack.push_back(index);
    }
  };
  for (std::size_t x = 0; x < width; ++x) {
    visit(x);
    visit((height - 1) * width + x);
  }
  for (std::size_t y = 0; y < height; ++y) {
    visit(y * width);
    visit(y * width + width - 1);
  }
  while (!stack.empty()) {
    const std::size_t index = stack.back();
    stack.pop_back();
    const std::size_t x = index % width;
    const std::size_t y = index / width;
    if (x + 1 < width) visit(index + 1);
    if (x > 0) visit(index - 1);
    if (y + 1 < height) visit(index + width);
    if (y > 0) visit(index - width);
  }
  return mask;
}

// The minimum over each pixel's 3 x 3 neighbourhood, taken along rows and then along columns.
Plane<std::uint8_t> eroded(const Plane<std::uint8_t>& mask) {
  Plane<std::uint8_t> rows(mask.width, mask.height, 0);
  for (std::size_t y = 0; y < mask.height; ++y) {
    const std::uint8_t* in = mask.row(y);
    std::uint8_t* out = rows.row(y);
    for (std::size_t x = 0; x < mask.width; ++x) {
      const auto xi = static_cast<std::ptrdiff_t>(x);
      out[x] = std::min({in[mask.clampedX(xi - 1)], in[x], in[mask.clampedX(xi + 1)]});
    }
  }
  Plane<std::uint8_t> result(mask.width, mask.height, 0);
  for (std::size_t y = 0; y < mask.height; ++y) {
    const auto yi = static_cast<std::ptrdiff_t>(y);
    const std::uint8_t* above = rows.clampedRow(yi - 1);
    const std::uint8_t* here = rows.row(y);
    const std::uint8_t* below = rows.clampedRow(yi + 1);
    std::uint8_t* out = result.row(y);
    for (std::size_t x = 0; x < mask.width; ++x) {
      out[x] = std::min({above[x], here[x], below[x]});
    }
  }
  return result;
}

// Summed from the first tap to the last, in single precision, as the matte is defined.
float tapSum(float a, float b, float c, float d, float e) {
  return kTap0 * a + kTap1 * b + kTap2 * c + kTap1 * d + kTap0 * e;
}

Plane<float> blurredRows(const Plane<std::uint8_t>& matte) {
  Plane<float> result(matte.width, matte.height, 0.0f);
  for (std::size_t y = 0; y < matte.height; ++y) {
    const std::uint8_t* in = matte.row(y);
    float* out = result.row(y);
    for (std::size_t x = 0; x < matte.width; ++x) {
      const auto xi = static_cast<std::ptrdiff_t>(x);
      out[x] = tapSum(in[matte.clampedX(xi - 2)], in[matte.clampedX(xi - 1)], in[x], in[matte.clampedX(xi + 1)],
                      in[matte.clampedX(xi + 2)]);
    }
  }
  return result;
}

std::uint8_t alphaOf(float blurred) { return static_cast<std::uint8_t>(std::clamp(blurred + 0.5f, 0.0f, 255.0f)); }

void writeBlurredColumns(const Plane<float>& rows, Tim2Picture& picture) {
  std::vector<float> blurred(rows.width);
  for (std::size_t y = 0; y < rows.height; ++y) {
    const auto yi = static_cast<std::ptrdiff_t>(y);
    const float* r0 = rows.clampedRow(yi - 2);
    const float* r1 = rows.clampedRow(yi - 1);
    const float* r2 = rows.row(y);
    const float* r3 = rows.clampedRow(yi + 1);
    const float* r4 = rows.clampedRow(yi + 2);
    for (std::size_t x = 0; x < rows.width; ++x) {
      blurred[x] = tapSum(r0[x], r1[x], r2[x], r3[x], r4[x]);
    }
    std::uint8_t* out = picture.pixels.data() + 4 * y * rows.width;
    for (std::size_t x = 0; x < rows.width; ++x) {
      out[4 * x + 3] = alphaOf(blurred[x]);
    }
  }
}

}  // namespace

void extractFigureMatte(Tim2Picture& picture) {
  if (picture.width <= 0 || picture.height <= 0) {
    return;
  }
  writeBlurredColumns(blurredRows(eroded(figureMask(picture))), picture);
}

}  // namespace myr::art
