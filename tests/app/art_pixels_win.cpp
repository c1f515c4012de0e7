// Writes the art the launcher reads from a disc image, for the test that compares the desktop's
// icons of the real launcher: one line per picture, its side then its R, G, B, A bytes in hex.

#include <windows.h>

#include <cstdio>
#include <filesystem>

#include "app/game_art_win.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: art_pixels IMAGE\n", stderr);
    return 2;
  }
  for (const myr::game_icon::Image& image : myr::app::loadArtOfImage(std::filesystem::path(argv[1]))) {
    std::printf("%d ", static_cast<int>(image.size));
    for (const std::uint8_t byte : image.pixels) {
      std::printf("%02x", byte);
    }
    std::printf("\n");
  }
  return 0;
}
