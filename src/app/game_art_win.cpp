#include "app/game_art_win.h"

#include "art/game_art.h"
#include "disc/root_lookup.h"

namespace myr::app {

// Art and disc sit side by side in the layers; the launcher joins the disc's root lookup to the art.
std::vector<game_icon::Image> loadArtOfImage(const std::filesystem::path& image) {
  return art::loadGameArt(image,
                          [](const std::filesystem::path& in, std::string_view container,
                             std::string_view file) -> Result<art::PictureRange> {
                            const Result<disc::ByteRange> found = disc::locateNestedFile(in, container, file);
                            if (!found) {
                              return found.error();
                            }
                            return art::PictureRange{found->offset, found->size};
                          });
}

}  // namespace myr::app
