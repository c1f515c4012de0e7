// The root lookup over any image: the art container in the disc's root, then the picture in the
// container's volume, as the game art reader looks for them. A file found lies past its volume's
// base.

#include <cstdint>
#include <sstream>

#include "disc/root_lookup.h"
#include "disc_image.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace myr::disc;
  std::istringstream stream(discImageFromFuzzInput(data, size));
  const myr::Result<ByteRange> container = findInVolumeRoot(stream, 0, "ARTPK.CVM");
  if (!container) return 0;
  const std::uint64_t base = container->offset + kNestedVolumeOffset;
  const myr::Result<ByteRange> picture = findInVolumeRoot(stream, base, "ART_FIGURE_01.TM2");
  if (picture) fuzzCheck(picture->offset >= base);
  return 0;
}
