// Writes the benchmarks' full card to a file, for timing the launcher on real card files.
//   full_card <file>

#include <cstdio>
#include <fstream>

#include "full_card.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: full_card <file>\n");
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary);
  myr::saves::test::TestCard card = myr::bench::fullCard();
  const std::string& image = card.image();
  out.write(image.data(), static_cast<std::streamsize>(image.size()));
  return out.good() ? 0 : 1;
}
