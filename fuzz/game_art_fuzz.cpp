// Picture bytes to the nine icon pictures: every picture that is not refused gives one square
// image per size, and a fully transparent pixel carries no colour.
// Seeds: the pictures tests/art/tim2_fixtures.py writes.

#include <cstdint>

#include "art/game_art.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const myr::Result<std::vector<myr::game_icon::Image>> art = myr::art::gameArtFromPicture({data, size});
  if (!art) {
    return 0;
  }
  fuzzCheck(art->size() == myr::game_icon::kSizes.size());
  for (std::size_t i = 0; i < art->size(); ++i) {
    const myr::game_icon::Image& image = (*art)[i];
    fuzzCheck(image.size == myr::game_icon::kSizes[i]);
    fuzzCheck(image.pixels.size() == 4 * static_cast<std::size_t>(image.size) * image.size);
    for (std::size_t k = 0; k < image.pixels.size(); k += 4) {
      fuzzCheck(image.pixels[k + 3] != 0 || (image.pixels[k] | image.pixels[k + 1] | image.pixels[k + 2]) == 0);
    }
  }
  return 0;
}
