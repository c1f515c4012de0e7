#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "art/game_icon.h"
#include "art/resample.h"
#include "art/tim2.h"
#include "foundation/error.h"

namespace myr::art {

// Where the art picture lies in the disc image: the art container in the image's root holds
// an ISO 9660 volume whose root holds the picture.
inline constexpr std::string_view kArtContainerName = "ARTPK.CVM";
inline constexpr std::string_view kArtPictureName = "ART_FIGURE_01.TM2";

// A file found inside the disc image, its offset absolute within the image file.
struct PictureRange {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
};

// Finds a file inside a container volume of the image's root; its message is the error.
using LocateNestedFile = std::function<Result<PictureRange>(const std::filesystem::path& image,
                                                            std::string_view container, std::string_view file)>;

// The two crops cut around the figure: all of it for large icons, its upper part for small ones.
struct FigureCrops {
  CropBox figure;
  CropBox head;
};

// The crops around the opaque part of a matted picture; refused when the figure is smaller
// than 8 pixels either way.
Result<FigureCrops> findFigureCrops(const Tim2Picture& matted);

// The game art list of a matted picture: one image per size of game_icon::kSizes, in order.
std::vector<game_icon::Image> iconImages(const Tim2Picture& matted, const FigureCrops& crops);

// Picture bytes to the game art list.
Result<std::vector<game_icon::Image>> gameArtFromPicture(std::span<const std::uint8_t> picture);

// The game art list of a disc image, read with one seek and one read.
Result<std::vector<game_icon::Image>> readGameArt(const std::filesystem::path& image, const LocateNestedFile& locate);

// As readGameArt, with an empty list for every failure; an empty path reads nothing.
std::vector<game_icon::Image> loadGameArt(const std::filesystem::path& image, const LocateNestedFile& locate);

// The first image at least size pixels wide, else the largest; null for an empty list.
const game_icon::Image* nearestArtImage(std::span<const game_icon::Image> art, std::int32_t size);

}  // namespace myr::art
