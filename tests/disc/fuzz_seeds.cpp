// Writes seed corpora for the disc fuzzers from the builder's images:
//   disc_fuzz_seeds <folder>
// gives <folder>/iso_walk, <folder>/root_lookup and <folder>/system_cnf. The fuzzers read an
// image from its volume descriptor on, so image seeds leave out the first 32 KiB.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "disc/iso9660.h"
#include "disc/iso_builder.h"

namespace fs = std::filesystem;
using namespace myr::disc;

namespace {

void write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string fromDescriptor(const std::string& image) { return image.substr(kDescriptorOffset); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: disc_fuzz_seeds <folder>\n");
    return 2;
  }
  const fs::path folder = argv[1];
  const std::string mini = fromDescriptor(testing::buildMiniDisc().image);
  const std::string nested = fromDescriptor(testing::buildIso({
      testing::IsoNode::dir("A", {testing::IsoNode::dir("B", {testing::IsoNode::file("C.BIN;1", "c")})}),
      testing::IsoNode::file("SYSTEM.CNF;1", testing::systemCnf("BOOT2 = cdrom0:\\SLES_123.45;1")),
  }));
  write(folder / "iso_walk" / "mini", mini);
  write(folder / "iso_walk" / "nested", nested);
  write(folder / "root_lookup" / "mini", mini);
  write(folder / "system_cnf" / "mini", '\0' + mini);
  write(folder / "system_cnf" / "nested", '\0' + nested);
  const char* texts[] = {"BOOT2 = cdrom0:\\QXUS_404.04;1\r\nVER = 1.00\r\n", "BOOT2=QXUS_404.04;1",
                         "BOOT = cdrom:\\SLUS_000.01;1\r\n", "BOOT2 = cdrom0:\\DIR\\SLES_123.45;1\nVMODE = PAL\n"};
  int index = 0;
  for (const char* text : texts)
    write(folder / "system_cnf" / ("text" + std::to_string(index++)), '\1' + std::string(text));
  return 0;
}
