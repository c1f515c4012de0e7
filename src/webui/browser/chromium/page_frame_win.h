#pragma once

// Pictures of the page as the browser streams them: PNG frames decoded on a thread of their own
// straight into DIB sections that the window paints from. Only the newest frame
// matters: one that a newer one overtakes, before or after its decoding, is never shown.

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "foundation/error.h"
#include "foundation/log_sink.h"
#include "foundation/unique_resource_win.h"

namespace myr::browser::chromium {

// A picture of the page: top-down rows of 4 bytes per pixel (blue, green, red, unused).
class FrameBitmap {
 public:
  static Result<std::unique_ptr<FrameBitmap>> make(std::uint32_t width, std::uint32_t height);

  HBITMAP handle() const { return bitmap_.get(); }
  std::uint8_t* bits() const { return bits_; }
  std::uint32_t width() const { return width_; }
  std::uint32_t height() const { return height_; }
  std::uint32_t stride() const { return width_ * 4; }

 private:
  FrameBitmap(HBITMAP bitmap, std::uint8_t* bits, std::uint32_t width, std::uint32_t height)
      : bitmap_(bitmap), bits_(bits), width_(width), height_(height) {}

  UniqueResource<HBITMAP, &::DeleteObject> bitmap_;
  std::uint8_t* bits_;
  std::uint32_t width_;
  std::uint32_t height_;
};

// Decodes the browser's PNG picture into a bitmap, reusing the one it is given when the size
// matches.
Result<std::unique_ptr<FrameBitmap>> decodeFrame(std::string_view png, std::unique_ptr<FrameBitmap> reuse);

class FrameDecoder {
 public:
  // Runs on the decoder's thread whenever a newer frame waits for takeNewest.
  using Ready = std::function<void()>;

  // What the decoding of a frame throws goes to log, which must outlive the decoder; the
  // frames after it are decoded still.
  FrameDecoder(Ready ready, LogSink& log);
  ~FrameDecoder();
  FrameDecoder(const FrameDecoder&) = delete;
  FrameDecoder& operator=(const FrameDecoder&) = delete;

  // Any thread: the frame's PNG as Base64.
  void submit(std::string base64Png);
  // Any thread: the newest decoded frame not taken yet, if any.
  std::unique_ptr<FrameBitmap> takeNewest();
  // Any thread: a frame no longer shown, whose memory the next frame of its size reuses.
  void recycle(std::unique_ptr<FrameBitmap> frame);

 private:
  void run();
  void decode(const std::string& base64Png);
  void noteFailure(const Error& error);

  Ready ready_;
  LogSink& log_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<std::string> next_;
  std::unique_ptr<FrameBitmap> newest_;
  std::unique_ptr<FrameBitmap> spare_;
  bool stopping_ = false;
  bool failureNoted_ = false;  // decoder thread only
  std::thread thread_;
};

}  // namespace myr::browser::chromium
