#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "disc/disc_fixtures.h"
#include "disc/iso_builder.h"
#include "disc/root_lookup.h"
#include "support/temp_folder.h"

namespace myr::disc {
namespace {

using testing::buildIso;
using testing::containerFile;
using testing::IsoNode;
using testing::IsoOptions;

Result<ByteRange> find(const std::string& image, std::uint64_t base, std::string_view name) {
  std::istringstream stream(image);
  return findInVolumeRoot(stream, base, name);
}

TEST(LocateNestedFile, FindsTheArtPictureOfTheDemoDisc) {
  const std::filesystem::path demo = testing::fixturePath("demo.iso");
  const Result<ByteRange> picture = locateNestedFile(demo, "artpk.cvm", "Art_Figure_01.tm2");
  ASSERT_TRUE(picture) << picture.error().message;
  const std::string image = testing::readWholeFile(demo);
  ASSERT_LE(picture->offset + picture->size, image.size());
  EXPECT_EQ(image.substr(picture->offset, 4), "TIM2");
}

TEST(FindInVolumeRoot, MatchesFilesOfTheRootIgnoringCaseAndVersion) {
  IsoNode after = IsoNode::file("LATE.BIN", "late");
  after.startsNewSector = true;
  const std::string image = buildIso({
      IsoNode::dir("WANTED.BIN", {}),
      IsoNode::dir("SUB", {IsoNode::file("DEEP.BIN", "deep")}),
      IsoNode::file("wanted.bin;1", "the file"),
      after,
  });
  const Result<ByteRange> found = find(image, 0, "WANTED.BIN");
  ASSERT_TRUE(found) << found.error().message;
  EXPECT_EQ(image.substr(found->offset, found->size), "the file");
  const Result<ByteRange> late = find(image, 0, "late.bin");
  ASSERT_TRUE(late) << late.error().message;
  EXPECT_EQ(image.substr(late->offset, late->size), "late");

  const Result<ByteRange> deep = find(image, 0, "DEEP.BIN");
  ASSERT_FALSE(deep);
  EXPECT_EQ(deep.error().message, "DEEP.BIN not found");
}

TEST(FindInVolumeRoot, DamagedRecordsEndTheSearch) {
  IsoNode longIdentifier = IsoNode::file("A.BIN", "a");
  longIdentifier.identifierLength = 40;
  const std::string skipped = buildIso({longIdentifier, IsoNode::file("B.BIN", "b")});
  EXPECT_TRUE(find(skipped, 0, "B.BIN"));
  EXPECT_FALSE(find(skipped, 0, "A.BIN"));

  const std::string broken = buildIso({IsoNode::raw(std::string("\x10", 1)), IsoNode::file("B.BIN", "b")});
  const Result<ByteRange> after = find(broken, 0, "B.BIN");
  ASSERT_FALSE(after);
  EXPECT_EQ(after.error().message, "B.BIN not found");
}

TEST(FindInVolumeRoot, RefusesVolumesItCannotRead) {
  IsoOptions typeTwo;
  typeTwo.descriptorType = 2;
  IsoOptions emptyRoot;
  emptyRoot.rootLength = 0;
  IsoOptions hugeRoot;
  hugeRoot.rootLength = 1048577;
  IsoOptions farRoot;
  farRoot.rootSector = 5000;
  IsoOptions largestRoot;
  largestRoot.rootLength = 1048576;
  const std::string volume = buildIso({IsoNode::file("A.BIN", "a")});

  struct Case {
    const char* what;
    std::string image;
    std::uint64_t base;
    std::string message;
  };
  const Case cases[] = {
      {"descriptor type 2", buildIso({}, typeTwo), 0, "no ISO9660 volume at offset 0"},
      {"too short", volume.substr(0, 34000), 0, "no ISO9660 volume at offset 0"},
      {"base past the end", volume, 1u << 30, "no ISO9660 volume at offset 1073741824"},
      {"base near the largest offset", volume, ~std::uint64_t{0} - 100,
       "no ISO9660 volume at offset 18446744073709551515"},
      {"empty root", buildIso({}, emptyRoot), 0, "bad root directory at offset 0"},
      {"root over 1 MiB", buildIso({}, hugeRoot), 0, "bad root directory at offset 0"},
      {"root past the end", buildIso({}, farRoot), 0, "cannot read the root directory at offset 0"},
      {"root of 1 MiB past the end", buildIso({}, largestRoot), 0, "cannot read the root directory at offset 0"},
      {"nested at an odd base", std::string(3, 'x') + volume, 4, "no ISO9660 volume at offset 4"},
  };
  for (const Case& c : cases) {
    const Result<ByteRange> found = find(c.image, c.base, "A.BIN");
    ASSERT_FALSE(found) << c.what;
    EXPECT_EQ(found.error().message, c.message) << c.what;
  }
  const Result<ByteRange> odd = find(std::string(3, 'x') + volume, 3, "a.bin");
  ASSERT_TRUE(odd);
}

TEST(LocateNestedFile, ChecksTheFileAgainstItsContainer) {
  myr::testing::TempFolder folder;
  const auto write = [&](const char* name, const std::string& bytes) {
    std::ofstream(folder / name, std::ios::binary) << bytes;
    return folder / name;
  };
  const std::string inner = buildIso({IsoNode::file("PIC.TM2", std::string(3000, 'p'))});
  // The container ends before the picture does.
  const std::string cut = containerFile(inner).substr(0, 6144 + inner.size() - 1200);
  const auto good = write("good.iso", buildIso({IsoNode::file("ART.CVM", containerFile(inner))}));
  const auto bad =
      write("cut.iso", buildIso({IsoNode::file("ART.CVM", cut), IsoNode::file("PAD", std::string(9000, 0))}));

  const Result<ByteRange> found = locateNestedFile(good, "ART.CVM", "PIC.TM2");
  ASSERT_TRUE(found) << found.error().message;
  EXPECT_EQ(found->size, 3000u);

  const Result<ByteRange> past = locateNestedFile(bad, "ART.CVM", "PIC.TM2");
  ASSERT_FALSE(past);
  EXPECT_EQ(past.error().message, "PIC.TM2 extends past the end of ART.CVM");

  const Result<ByteRange> noContainer = locateNestedFile(good, "OTHER.CVM", "PIC.TM2");
  ASSERT_FALSE(noContainer);
  EXPECT_EQ(noContainer.error().message, "OTHER.CVM not found");

  const std::filesystem::path missing = folder / "missing.iso";
  const Result<ByteRange> unopened = locateNestedFile(missing, "ART.CVM", "PIC.TM2");
  ASSERT_FALSE(unopened);
  const std::u8string path = missing.u8string();
  EXPECT_EQ(unopened.error().message, "cannot open " + std::string(path.begin(), path.end()));
}

}  // namespace
}  // namespace myr::disc
