#include "disc/game_files.h"

#include <string>

namespace myr::disc {
namespace {

std::string_view lastPathPart(std::string_view path) { return path.substr(path.rfind('/') + 1); }

}  // namespace

Result<IsoIndex> locateGameFiles(ImageBytes& image, std::uint64_t imageSize, std::span<const GameFile> table) {
  Result<IsoIndex> disc = indexVolume(image, 0, imageSize);
  if (!disc) return disc;
  IsoIndex available;
  for (const auto& [path, extent] : *disc) {
    if (path.find('/') == std::string::npos) available.emplace(path, extent);
  }
  const auto container = disc->find(std::string(kDataContainerName));
  if (container == disc->end()) return Error{std::string(kDataContainerName) + " is missing from the disc image."};
  const std::uint64_t start = container->second.position();
  const std::uint64_t end = start + container->second.length;
  if (end > imageSize) {
    return Error{std::string(kDataContainerName) + " runs past the end of the image: the image is cut short."};
  }
  const Result<IsoIndex> inner = indexVolume(image, start + kNestedVolumeOffset, end);
  if (!inner) return inner;
  for (const auto& [path, extent] : *inner) available.insert_or_assign(std::string(lastPathPart(path)), extent);
  for (const GameFile& file : table) {
    if (!available.contains(std::string(file.name))) {
      return Error{std::string(file.name) + " is not on the disc image."};
    }
  }
  return available;
}

}  // namespace myr::disc
