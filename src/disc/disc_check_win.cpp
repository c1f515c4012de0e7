#include "disc/disc_check_win.h"

#include "disc/iso_image_win.h"
#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"

namespace fs = std::filesystem;

namespace myr::disc {

ImageLocation defaultImagePath(const ImageSources& sources, const fs::path& gameFolder) {
  if (!sources.environment.empty()) return {toWide(sources.environment), "environment"};
  if (!sources.setting.empty()) return {toWide(sources.setting), "myr.ini"};
  const fs::path discFolder = findDiscFolder(gameFolder);
  if (!discFolder.empty()) {
    return {discFolder.parent_path().parent_path() / toWide(kDefaultImageName), "default"};
  }
  return {};
}

fs::path findDiscFolder(const fs::path& start) {
  constexpr int kFoldersSearched = 4;
  fs::path folder = start;
  for (int i = 0; i < kFoldersSearched && !folder.empty(); ++i) {
    const fs::path candidate = folder / toWide(kDiscFolderName);
    if (fileStatus(candidate / toWide(kBootFileName)).exists) return candidate;
    fs::path parent = folder.parent_path();
    if (parent == folder) break;
    folder = std::move(parent);
  }
  return {};
}

DiscCheck checkDiscImage(const fs::path& path) {
  DiscCheck check;
  const FileStatus status = fileStatus(path);
  if (!status.exists || status.isDirectory) {
    check.error = "The file does not exist.";
    return check;
  }
  Result<IsoImage> image = IsoImage::open(path);
  if (!image && image.error().systemCode == ERROR_NOT_SUPPORTED) {
    // A device or a pipe, not a file.
    check.error = "The file does not exist.";
    return check;
  }
  check.exists = true;
  check.size = status.size;
  if (!image) {
    check.error = "Cannot open it: " + image.error().message + ".";
    return check;
  }
  inspectDiscImage(*image, check, &localTextToUtf8);
  return check;
}

}  // namespace myr::disc
