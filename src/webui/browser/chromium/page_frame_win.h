#pragma once

// Pictures of the page as the browser streams them: PNG frames decoded with WIC on a thread of
// their own, the newest one winning when frames come faster than they decode.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "foundation/error.h"
#include "foundation/log_sink.h"

namespace myr::browser::chromium {

struct PageFrame {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> bgrx;  // top-down rows of 4 bytes per pixel
};

// Decodes one PNG file; the calling thread must have COM initialised.
Result<PageFrame> decodePng(const std::string& png);

class FrameDecoder {
 public:
  // Runs on the decoder's thread with each decoded frame.
  using Decoded = std::function<void(PageFrame&& frame)>;

  // What the decoding of a frame throws goes to log, which must outlive the decoder; the
  // frames after it are decoded still.
  FrameDecoder(Decoded decoded, LogSink& log);
  ~FrameDecoder();
  FrameDecoder(const FrameDecoder&) = delete;
  FrameDecoder& operator=(const FrameDecoder&) = delete;

  // Any thread: the frame's PNG as Base64.
  void submit(std::string base64Png);

 private:
  void run();
  void decode(const std::string& base64Png);

  Decoded decoded_;
  LogSink& log_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<std::string> next_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace myr::browser::chromium
