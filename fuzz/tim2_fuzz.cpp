// TIM2 pictures: any bytes decode to a picture of the declared size or are refused with one of
// the decoder's messages.
// Seeds: the pictures tests/art/tim2_fixtures.py writes.

#include <cstdint>
#include <string_view>

#include "art/tim2.h"
#include "fuzz_check.h"

namespace {

bool isDecoderMessage(std::string_view message) {
  return message == "not a TIM2 picture" || message == "bad TIM2 header" || message == "short TIM2 image" ||
         message == "bad TIM2 palette" || message.starts_with("unsupported TIM2 image type ");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const myr::Result<myr::art::Tim2Picture> picture = myr::art::decodeTim2({data, size});
  if (!picture) {
    fuzzCheck(isDecoderMessage(picture.error().message));
    return 0;
  }
  fuzzCheck(picture->width >= 1 && picture->width <= 2048 && picture->height >= 1 && picture->height <= 2048);
  fuzzCheck(picture->pixels.size() == 4 * static_cast<std::size_t>(picture->width) * picture->height);
  return 0;
}
