// The browser's PNG frames: any bytes are read and decoded into a bitmap of the declared size or
// refused with the decoder's sentence; never a read or write outside either.
// Seeds: fuzz/corpus/png_frame_fuzz (small RGB and RGBA pictures, every row filter).

#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "webui/browser/chromium/png_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using myr::browser::chromium::PngFrame;
  const auto isDecoderMessage = [](const myr::Error& error) {
    return error.message.starts_with("A picture of the page could not be decoded: ");
  };
  const myr::Result<PngFrame> frame = PngFrame::read({reinterpret_cast<const char*>(data), size});
  if (!frame) {
    fuzzCheck(isDecoderMessage(frame.error()));
    return 0;
  }
  fuzzCheck(frame->width() >= 1 && frame->width() <= 16384 && frame->height() >= 1 && frame->height() <= 16384);
  // Large declared sizes are real pictures' business; here they would only cost memory.
  if (std::size_t{frame->width()} * frame->height() > (1u << 20)) {
    return 0;
  }
  std::vector<std::uint8_t> bgrx(std::size_t{frame->width()} * frame->height() * 4);
  const myr::Status decoded = frame->decodeInto(bgrx);
  fuzzCheck(decoded || isDecoderMessage(decoded.error()));
  return 0;
}
