#include "saves/thumbnails_win.h"

#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"
#include "saves/save_data.h"
#include "saves/save_files_win.h"
#include "saves/save_folders.h"

namespace myr::saves {

Result<json::Value> saveThumbnail(const std::filesystem::path& gameFolder, const json::Value& slot) {
  const std::optional<int> number = thumbnailSlot(slot);
  if (!number) return Error{"Not a save slot"};
  Result<std::string> bytes =
      readFileLimited(saveDataFolder(gameFolder) / toWide(thumbnailFileName(*number)), kThumbnailLimitBytes);
  return thumbnailJson(bytes ? std::optional<std::string>(std::move(*bytes)) : std::nullopt);
}

}  // namespace myr::saves
