#include "webui/browser/chromium/page_frame_win.h"

#include <shlwapi.h>

#include <climits>
#include <utility>

#include "foundation/bytes/base64.h"
#include "foundation/bytes/checked_size.h"
#include "foundation/guard.h"

namespace myr::browser::chromium {

using Microsoft::WRL::ComPtr;

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

PngDecoder::PngDecoder()
    : created_(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory_))) {}

Result<std::unique_ptr<FrameBitmap>> PngDecoder::decode(const std::string& png, std::unique_ptr<FrameBitmap> reuse) {
  if (FAILED(created_)) {
    return pictureError(created_);
  }
  ComPtr<IStream> stream;
  stream.Attach(SHCreateMemStream(reinterpret_cast<const BYTE*>(png.data()), static_cast<UINT>(png.size())));
  if (!stream) {
    return pictureError(E_OUTOFMEMORY);
  }
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> source;
  ComPtr<IWICFormatConverter> converter;
  UINT width = 0;
  UINT height = 0;
  HRESULT result = S_OK;
  if (FAILED(result = factory_->CreateDecoderFromStream(stream.Get(), &GUID_ContainerFormatPng,
                                                        WICDecodeMetadataCacheOnDemand, &decoder)) ||
      FAILED(result = decoder->GetFrame(0, &source)) || FAILED(result = factory_->CreateFormatConverter(&converter)) ||
      FAILED(result = converter->Initialize(source.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr,
                                            0, WICBitmapPaletteTypeCustom)) ||
      FAILED(result = converter->GetSize(&width, &height))) {
    return pictureError(result);
  }
  if (!reuse || reuse->width() != width || reuse->height() != height) {
    Result<std::unique_ptr<FrameBitmap>> made = FrameBitmap::make(width, height);
    if (!made) {
      return made;
    }
    reuse = std::move(*made);
  }
  if (FAILED(result = converter->CopyPixels(nullptr, reuse->stride(), reuse->stride() * reuse->height(),
                                            reuse->bits()))) {
    return pictureError(result);
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
  const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  {
    PngDecoder png;
    std::unique_lock lock(mutex_);
    while (true) {
      changed_.wait(lock, [this] { return stopping_ || next_; });
      if (stopping_) {
        break;
      }
      const std::string base64Png = std::move(*next_);
      next_.reset();
      lock.unlock();
      runGuarded(log_, "the page's frame decoder", [&] { decode(png, base64Png); });
      lock.lock();
    }
  }
  if (SUCCEEDED(com)) {
    CoUninitialize();
  }
}

// A frame that cannot be decoded is left out; the next one replaces it.
void FrameDecoder::decode(PngDecoder& png, const std::string& base64Png) {
  const std::optional<std::string> file = decodeBase64(base64Png);
  if (!file) {
    return;
  }
  std::unique_ptr<FrameBitmap> reuse;
  {
    std::lock_guard lock(mutex_);
    reuse = std::move(spare_);
  }
  Result<std::unique_ptr<FrameBitmap>> frame = png.decode(*file, std::move(reuse));
  if (!frame) {
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

}  // namespace myr::browser::chromium
