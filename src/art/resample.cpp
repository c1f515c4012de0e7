#include "art/resample.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace myr::art {

namespace {

constexpr std::int32_t kLargestSharpenedSize = 48;

// Premultiplied colour and alpha of one output pixel, on a 0-255 scale.
struct Sample {
  float r = 0;
  float g = 0;
  float b = 0;
  float a = 0;
};

// The source pixels one output pixel covers along one axis, with the covered length of each.
struct Span {
  std::int64_t first = 0;
  std::vector<double> coverage;
};

Span spanOf(double start, double length, std::int64_t pictureSide) {
  Span span;
  span.first = std::max<std::int64_t>(static_cast<std::int64_t>(std::floor(start)), 0);
  const std::int64_t end = std::min<std::int64_t>(static_cast<std::int64_t>(std::ceil(start + length)), pictureSide);
  for (std::int64_t p = span.first; p < end; ++p) {
    span.coverage.push_back(std::min(start + length, static_cast<double>(p + 1)) -
                            std::max(start, static_cast<double>(p)));
  }
  return span;
}

std::vector<Span> spansOf(double origin, double unit, std::int32_t size, std::int64_t pictureSide) {
  std::vector<Span> spans;
  spans.reserve(static_cast<std::size_t>(size));
  for (std::int32_t i = 0; i < size; ++i) {
    spans.push_back(spanOf(origin + unit * i, unit, pictureSide));
  }
  return spans;
}

Sample areaSample(const Tim2Picture& picture, const Span& rows, const Span& columns, double unit) {
  if (rows.coverage.empty() || columns.coverage.empty()) {
    return {};
  }
  double sumR = 0;
  double sumG = 0;
  double sumB = 0;
  double sumWeight = 0;
  for (std::size_t i = 0; i < rows.coverage.size(); ++i) {
    const std::uint8_t* row =
        picture.pixels.data() + 4 * (static_cast<std::size_t>(rows.first + static_cast<std::int64_t>(i)) *
                                         static_cast<std::size_t>(picture.width) +
                                     static_cast<std::size_t>(columns.first));
    for (std::size_t j = 0; j < columns.coverage.size(); ++j) {
      const std::uint8_t* rgba = row + 4 * j;
      const double weight = rows.coverage[i] * columns.coverage[j] * rgba[3] / 255;
      sumR += weight * rgba[0];
      sumG += weight * rgba[1];
      sumB += weight * rgba[2];
      sumWeight += weight;
    }
  }
  const double scale = 1 / (unit * unit);
  return {static_cast<float>(sumR * scale), static_cast<float>(sumG * scale), static_cast<float>(sumB * scale),
          static_cast<float>(255 * sumWeight * scale)};
}

float sharpened(float value, float sides, float diagonals, float alpha) {
  const float blur = 0.0225f * diagonals + 0.105f * sides + 0.49f * value;
  const float difference = value - blur;
  if (std::fabs(difference) < 2) {
    return value;
  }
  return std::clamp(value + 0.7f * difference, 0.0f, alpha);
}

// Unsharp masking of the colour channels against the unsharpened neighbours; alpha is kept.
std::vector<Sample> sharpenedSamples(const std::vector<Sample>& samples, std::int32_t size) {
  std::vector<Sample> result = samples;
  const auto at = [&](std::int32_t x, std::int32_t y) -> const Sample& {
    return samples[static_cast<std::size_t>(std::clamp(y, 0, size - 1) * size + std::clamp(x, 0, size - 1))];
  };
  for (std::int32_t y = 0; y < size; ++y) {
    for (std::int32_t x = 0; x < size; ++x) {
      const Sample& here = at(x, y);
      const Sample* sides[] = {&at(x - 1, y), &at(x + 1, y), &at(x, y - 1), &at(x, y + 1)};
      const Sample* diagonals[] = {&at(x - 1, y - 1), &at(x + 1, y - 1), &at(x - 1, y + 1), &at(x + 1, y + 1)};
      Sample& out = result[static_cast<std::size_t>(y * size + x)];
      for (float Sample::*channel : {&Sample::r, &Sample::g, &Sample::b}) {
        float sideSum = 0;
        float diagonalSum = 0;
        for (int k = 0; k < 4; ++k) {
          sideSum += sides[k]->*channel;
          diagonalSum += diagonals[k]->*channel;
        }
        out.*channel = sharpened(here.*channel, sideSum, diagonalSum, here.a);
      }
    }
  }
  return result;
}

std::uint8_t toByte(float value) { return static_cast<std::uint8_t>(std::clamp(value, 0.0f, 255.0f)); }

void storeUnpremultiplied(const Sample& sample, std::uint8_t* rgba) {
  if (sample.a < 0.5f) {
    std::fill(rgba, rgba + 4, std::uint8_t{0});
    return;
  }
  rgba[0] = toByte(0.5f + 255 * sample.r / sample.a);
  rgba[1] = toByte(0.5f + 255 * sample.g / sample.a);
  rgba[2] = toByte(0.5f + 255 * sample.b / sample.a);
  rgba[3] = static_cast<std::uint8_t>(std::min(255.0f, sample.a + 0.5f));
}

}  // namespace

game_icon::Image resampleSquare(const Tim2Picture& picture, const CropBox& box, std::int32_t size) {
  game_icon::Image image;
  image.size = std::max(size, 0);
  image.pixels.assign(static_cast<std::size_t>(image.size) * static_cast<std::size_t>(image.size) * 4, 0);
  const std::int64_t side = std::max(std::int64_t{box.right} - box.left, std::int64_t{box.bottom} - box.top);
  if (side <= 0 || image.size == 0) {
    return image;
  }
  const double originX = static_cast<double>(std::lround((static_cast<double>(box.left) + box.right - side) / 2));
  const double originY = static_cast<double>(std::lround((static_cast<double>(box.top) + box.bottom - side) / 2));
  const double unit = static_cast<double>(side) / size;
  const std::vector<Span> rows = spansOf(originY, unit, size, picture.height);
  const std::vector<Span> columns = spansOf(originX, unit, size, picture.width);

  std::vector<Sample> samples(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
  for (std::int32_t i = 0; i < size; ++i) {
    for (std::int32_t j = 0; j < size; ++j) {
      samples[static_cast<std::size_t>(i * size + j)] = areaSample(picture, rows[i], columns[j], unit);
    }
  }
  if (size <= kLargestSharpenedSize) {
    samples = sharpenedSamples(samples, size);
  }
  for (std::size_t k = 0; k < samples.size(); ++k) {
    storeUnpremultiplied(samples[k], image.pixels.data() + 4 * k);
  }
  return image;
}

}  // namespace myr::art
