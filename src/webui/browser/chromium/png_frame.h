#pragma once

// The page's pictures as the browser streams them: PNG files of 8-bit RGB or RGBA pixels, not
// interlaced (the only kinds its encoder writes), decoded straight into the rows a bitmap of
// the window holds. Our own decoder: the system's took eight times as long under Wine.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "foundation/error.h"

namespace myr::browser::chromium {

class PngFrame {
 public:
  // Checks the signature, every chunk's length and CRC and the header; keeps views of the
  // image data, so png must outlive the frame.
  static Result<PngFrame> read(std::string_view png);

  std::uint32_t width() const { return width_; }
  std::uint32_t height() const { return height_; }

  // Writes the pixels into bgrx as top-down rows of width x 4 bytes: blue, green, red, 0 (alpha,
  // if any, is dropped: the page's pictures are opaque). bgrx must hold exactly width x height
  // pixels. On failure its content is undefined.
  Result<void> decodeInto(std::span<std::uint8_t> bgrx) const;

 private:
  PngFrame(std::uint32_t width, std::uint32_t height, std::uint32_t channels,
           std::vector<std::span<const std::uint8_t>> data)
      : width_(width), height_(height), channels_(channels), data_(std::move(data)) {}

  std::uint32_t width_;
  std::uint32_t height_;
  std::uint32_t channels_;  // 3: RGB, 4: RGBA
  std::vector<std::span<const std::uint8_t>> data_;  // the IDAT chunks' contents, in order
};

}  // namespace myr::browser::chromium
