// The index reader over any image: it fails with a message or gives an index whose every entry
// belongs to the volume and those said to fit it lie inside the image. The whole extraction lookup
// (disc, data container, merged names) runs on the same bytes.

#include <cstdint>

#include "disc/game_files.h"
#include "disc/memory_image.h"
#include "disc_image.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace myr::disc;
  testing::MemoryImage image(discImageFromFuzzInput(data, size));
  const myr::Result<IsoIndex> index = indexVolume(image, 0, image.size());
  if (!index) {
    fuzzCheck(!index.error().message.empty());
  } else {
    for (const auto& [path, extent] : *index) {
      fuzzCheck(extent.base == 0 && extent.end == image.size());
      if (extent.fitsVolume()) fuzzCheck(extent.position() + extent.length <= image.size());
    }
  }
  const myr::Result<IsoIndex> files = locateGameFiles(image, image.size(), kGameFileTable);
  if (files) {
    for (const GameFile& file : kGameFileTable) fuzzCheck(files->contains(std::string(file.name)));
  }
  return 0;
}
