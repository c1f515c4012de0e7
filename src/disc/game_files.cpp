#include "disc/game_files.h"

#include <string>

namespace myr::disc {
namespace {

std::string_view lastPathPart(std::string_view path) { return path.substr(path.rfind('/') + 1); }

// The files in the disc's root; the whole disc's index goes when this returns, before the data
// container's is built.
Result<IsoIndex> rootFiles(ImageBytes& image, std::uint64_t imageSize) {
  Result<IsoIndex> disc = indexVolume(image, 0, imageSize);
  if (!disc) return disc;
  IsoIndex root;
  for (const auto& [path, extent] : *disc) {
    if (path.find('/') == std::string::npos) root.emplace(path, extent);
  }
  return root;
}

}  // namespace

Result<IsoIndex> locateGameFiles(ImageBytes& image, std::uint64_t imageSize, std::span<const GameFile> table) {
  Result<IsoIndex> root = rootFiles(image, imageSize);
  if (!root) return root;
  IsoIndex available = std::move(root).value();
  const auto container = available.find(std::string(kDataContainerName));
  if (container == available.end()) return Error{std::string(kDataContainerName) + " is missing from the disc image."};
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
