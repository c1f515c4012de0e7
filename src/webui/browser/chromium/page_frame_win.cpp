#include "webui/browser/chromium/page_frame_win.h"

#include <climits>
#include <utility>

#include "foundation/bytes/base64.h"
#include "foundation/bytes/checked_size.h"
#include "foundation/guard.h"
#include "webui/browser/chromium/png_frame.h"

namespace myr::browser::chromium {

namespace {

Error pictureError(HRESULT result) {
  return Error{"A picture of the page could not be decoded.", static_cast<unsigned long>(result)};
}

}  // namespace

Result<std::unique_ptr<FrameBitmap>> FrameBitmap::make(std::uint32_t width, std::uint32_t height) {
  const std::optional<std::size_t> stride = checkedMul<std::size_t>(width, 4);
  const std::optional<std::size_t> size = stride ? checkedMul<std::size_t>(*stride, height) : std::nullopt;
  if (width == 0 || height == 0 || !size || *size > INT_MAX) {
    return pictureError(E_OUTOFMEMORY);
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down rows, as PNG has them
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr) {
    return pictureError(HRESULT_FROM_WIN32(GetLastError()));
  }
  return std::unique_ptr<FrameBitmap>(new FrameBitmap(bitmap, static_cast<std::uint8_t*>(bits), width, height));
}

Result<std::unique_ptr<FrameBitmap>> decodeFrame(std::string_view png, std::unique_ptr<FrameBitmap> reuse) {
  Result<PngFrame> picture = PngFrame::read(png);
  if (!picture) {
    return picture.error();
  }
  if (!reuse || reuse->width() != picture->width() || reuse->height() != picture->height()) {
    Result<std::unique_ptr<FrameBitmap>> made = FrameBitmap::make(picture->width(), picture->height());
    if (!made) {
      return made;
    }
    reuse = std::move(*made);
  }
  const Status decoded = picture->decodeInto({reuse->bits(), std::size_t{reuse->stride()} * reuse->height()});
  if (!decoded) {
    return decoded.error();
  }
  return reuse;
}

FrameDecoder::FrameDecoder(Ready ready, LogSink& log)
    : ready_(std::move(ready)), log_(log), thread_([this] { runGuarded(log_, "the page's frame decoder", [this] { run(); }); }) {}

FrameDecoder::~FrameDecoder() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void FrameDecoder::submit(std::string base64Png) {
  {
    std::lock_guard lock(mutex_);
    next_ = std::move(base64Png);
  }
  changed_.notify_all();
}

std::unique_ptr<FrameBitmap> FrameDecoder::takeNewest() {
  std::lock_guard lock(mutex_);
  return std::move(newest_);
}

void FrameDecoder::recycle(std::unique_ptr<FrameBitmap> frame) {
  if (!frame) {
    return;
  }
  std::lock_guard lock(mutex_);
  std::swap(spare_, frame);
}

void FrameDecoder::run() {
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] { return stopping_ || next_; });
    if (stopping_) {
      return;
    }
    const std::string base64Png = std::move(*next_);
    next_.reset();
    lock.unlock();
    runGuarded(log_, "the page's frame decoder", [&] { decode(base64Png); });
    lock.lock();
  }
}

// A frame that cannot be decoded is left out; the next one replaces it. The log hears of the
// first such frame only: the browser sends dozens a second.
void FrameDecoder::decode(const std::string& base64Png) {
  const std::optional<std::string> file = decodeBase64(base64Png);
  if (!file) {
    noteFailure(Error{"A picture of the page was not Base64."});
    return;
  }
  std::unique_ptr<FrameBitmap> reuse;
  {
    std::lock_guard lock(mutex_);
    reuse = std::move(spare_);
  }
  Result<std::unique_ptr<FrameBitmap>> frame = decodeFrame(*file, std::move(reuse));
  if (!frame) {
    noteFailure(frame.error());
    return;
  }
  {
    std::lock_guard lock(mutex_);
    // A frame nobody took is stale now: its memory serves the next one.
    if (!spare_) {
      spare_ = std::move(newest_);
    }
    newest_ = std::move(*frame);
  }
  ready_();
}

void FrameDecoder::noteFailure(const Error& error) {
  if (!failureNoted_) {
    failureNoted_ = true;
    log_.note(error.message);
  }
}

}  // namespace myr::browser::chromium
