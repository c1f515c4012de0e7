#include "art/game_art.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <fstream>
#include <limits>

#include "art/figure_matte.h"

namespace myr::art {

namespace {

constexpr std::uint64_t kSmallestPicture = 64;
constexpr std::uint64_t kLargestPicture = 8 * 1024 * 1024;
constexpr std::uint8_t kFigureAlpha = 40;
constexpr std::int32_t kSmallestFigure = 8;
constexpr std::int32_t kFigureMargin = 24;
constexpr std::int32_t kHeadMargin = 14;
constexpr std::int32_t kLargestHeadSize = 32;

// The box of the pixels whose alpha is above the figure level; empty when there are none.
CropBox opaqueBox(const Tim2Picture& picture) {
  CropBox box{picture.width, picture.height, 0, 0};
  for (std::int32_t y = 0; y < picture.height; ++y) {
    const std::uint8_t* row = picture.pixels.data() + 4 * static_cast<std::size_t>(y) * picture.width;
    for (std::int32_t x = 0; x < picture.width; ++x) {
      if (row[4 * x + 3] > kFigureAlpha) {
        box.left = std::min(box.left, x);
        box.right = std::max(box.right, x + 1);
        box.top = std::min(box.top, y);
        box.bottom = std::max(box.bottom, y + 1);
      }
    }
  }
  return box;
}

Result<std::vector<std::uint8_t>> readRange(const std::filesystem::path& image, const PictureRange& range) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(range.size));
  std::ifstream stream(image, std::ios::binary);
  if (range.offset <= static_cast<std::uint64_t>(std::numeric_limits<std::streamoff>::max())) {
    stream.seekg(static_cast<std::streamoff>(range.offset));
    stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  } else {
    stream.setstate(std::ios::failbit);
  }
  if (!stream) {
    return Error{"cannot read the picture"};
  }
  return bytes;
}

Result<std::vector<game_icon::Image>> readGameArtUnguarded(const std::filesystem::path& image,
                                                           const LocateNestedFile& locate) {
  const Result<PictureRange> range = locate(image, kArtContainerName, kArtPictureName);
  if (!range) {
    return range.error();
  }
  if (range->size < kSmallestPicture || range->size > kLargestPicture) {
    return Error{"unexpected picture size"};
  }
  const Result<std::vector<std::uint8_t>> bytes = readRange(image, *range);
  if (!bytes) {
    return bytes.error();
  }
  return gameArtFromPicture(*bytes);
}

}  // namespace

Result<FigureCrops> findFigureCrops(const Tim2Picture& matted) {
  const CropBox box = opaqueBox(matted);
  const std::int32_t width = box.right - box.left;
  const std::int32_t height = box.bottom - box.top;
  if (width < kSmallestFigure || height < kSmallestFigure) {
    return Error{"the picture has no figure"};
  }
  const auto inset = static_cast<std::int32_t>(std::lround(0.09 * width));
  const auto headHeight = static_cast<std::int32_t>(std::lround(0.7 * height));
  return FigureCrops{
      .figure = {box.left - kFigureMargin, box.top - kFigureMargin, box.right + kFigureMargin,
                 box.bottom + kFigureMargin},
      .head = {box.left + inset - kHeadMargin, box.top - kHeadMargin, box.right - inset + kHeadMargin,
               box.top + headHeight + kHeadMargin},
  };
}

std::vector<game_icon::Image> iconImages(const Tim2Picture& matted, const FigureCrops& crops) {
  std::vector<game_icon::Image> images;
  images.reserve(game_icon::kSizes.size());
  for (const std::int32_t size : game_icon::kSizes) {
    images.push_back(resampleSquare(matted, size <= kLargestHeadSize ? crops.head : crops.figure, size));
  }
  return images;
}

Result<std::vector<game_icon::Image>> gameArtFromPicture(std::span<const std::uint8_t> picture) {
  Result<Tim2Picture> decoded = decodeTim2(picture);
  if (!decoded) {
    return decoded.error();
  }
  extractFigureMatte(*decoded);
  const Result<FigureCrops> crops = findFigureCrops(*decoded);
  if (!crops) {
    return crops.error();
  }
  return iconImages(*decoded, *crops);
}

Result<std::vector<game_icon::Image>> readGameArt(const std::filesystem::path& image, const LocateNestedFile& locate) {
  // The art is only decoration: running out of memory on a strange picture costs the icons,
  // never the start-up.
  try {
    return readGameArtUnguarded(image, locate);
  } catch (const std::exception& failure) {
    return Error{failure.what()};
  }
}

std::vector<game_icon::Image> loadGameArt(const std::filesystem::path& image, const LocateNestedFile& locate) {
  if (image.empty()) {
    return {};
  }
  Result<std::vector<game_icon::Image>> art = readGameArt(image, locate);
  return art ? std::move(*art) : std::vector<game_icon::Image>{};
}

const game_icon::Image* nearestArtImage(std::span<const game_icon::Image> art, std::int32_t size) {
  if (art.empty()) {
    return nullptr;
  }
  const auto found =
      std::find_if(art.begin(), art.end(), [size](const game_icon::Image& image) { return image.size >= size; });
  return found != art.end() ? &*found : &art.back();
}

}  // namespace myr::art
