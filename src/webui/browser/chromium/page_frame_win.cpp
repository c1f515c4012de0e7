#include "webui/browser/chromium/page_frame_win.h"

#include <windows.h>
#include <shlwapi.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <climits>

#include "foundation/bytes/checked_size.h"
#include "foundation/guard.h"
#include "foundation/bytes/base64.h"

namespace myr::browser::chromium {

using Microsoft::WRL::ComPtr;

Result<PageFrame> decodePng(const std::string& png) {
  const auto failed = [](HRESULT result) {
    return Error{"A picture of the page could not be decoded.", static_cast<unsigned long>(result)};
  };
  ComPtr<IWICImagingFactory> factory;
  HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
  if (FAILED(result)) {
    return failed(result);
  }
  ComPtr<IStream> stream;
  stream.Attach(SHCreateMemStream(reinterpret_cast<const BYTE*>(png.data()), static_cast<UINT>(png.size())));
  if (!stream) {
    return failed(E_OUTOFMEMORY);
  }
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> source;
  ComPtr<IWICFormatConverter> converter;
  UINT width = 0;
  UINT height = 0;
  if (FAILED(result = factory->CreateDecoderFromStream(stream.Get(), &GUID_ContainerFormatPng,
                                                       WICDecodeMetadataCacheOnDemand, &decoder)) ||
      FAILED(result = decoder->GetFrame(0, &source)) || FAILED(result = factory->CreateFormatConverter(&converter)) ||
      FAILED(result = converter->Initialize(source.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr,
                                            0, WICBitmapPaletteTypeCustom)) ||
      FAILED(result = converter->GetSize(&width, &height))) {
    return failed(result);
  }
  const std::optional<std::size_t> stride = checkedMul<std::size_t>(width, 4);
  const std::optional<std::size_t> size = stride ? checkedMul<std::size_t>(*stride, height) : std::nullopt;
  if (!size || *size > UINT_MAX) {
    return failed(E_OUTOFMEMORY);
  }
  PageFrame frame{width, height, std::vector<std::uint8_t>(*size)};
  if (FAILED(result = converter->CopyPixels(nullptr, static_cast<UINT>(*stride), static_cast<UINT>(*size),
                                            frame.bgrx.data()))) {
    return failed(result);
  }
  return frame;
}

FrameDecoder::FrameDecoder(Decoded decoded, LogSink& log)
    : decoded_(std::move(decoded)), log_(log), thread_([this] { runGuarded(log_, "the page's frame decoder", [this] { run(); }); }) {}

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

void FrameDecoder::run() {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] { return stopping_ || next_; });
    if (stopping_) {
      break;
    }
    const std::string base64Png = std::move(*next_);
    next_.reset();
    lock.unlock();
    runGuarded(log_, "the page's frame decoder", [&] { decode(base64Png); });
    lock.lock();
  }
  lock.unlock();
  if (SUCCEEDED(com)) {
    CoUninitialize();
  }
}

// A frame that cannot be decoded is left out; the next one replaces it.
void FrameDecoder::decode(const std::string& base64Png) {
  if (const std::optional<std::string> png = decodeBase64(base64Png)) {
    if (Result<PageFrame> frame = decodePng(*png)) {
      decoded_(std::move(*frame));
    }
  }
}

}  // namespace myr::browser::chromium
