#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "disc/disc_fixtures.h"
#include "disc/game_files.h"
#include "disc/iso_builder.h"
#include "disc/memory_image.h"

namespace myr::disc {
namespace {

using testing::buildIso;
using testing::containerFile;
using testing::IsoNode;
using testing::MemoryImage;

Result<IsoIndex> locate(const std::string& bytes, std::span<const GameFile> table) {
  MemoryImage image(bytes);
  return locateGameFiles(image, image.size(), table);
}

Result<IsoIndex> locateInFixture(const std::string& name) {
  testing::DigestList digests = testing::DigestList::fromFile(testing::fixturePath("demo.sha1"));
  return locate(testing::readWholeFile(testing::fixturePath(name)), digests.rows());
}

TEST(GameFileTable, NamesTheElevenFilesWithTheBootFileLast) {
  std::vector<std::string_view> names;
  for (const GameFile& file : kGameFileTable) {
    names.push_back(file.name);
    EXPECT_EQ(file.sha1.size(), 40u);
    EXPECT_EQ(file.sha1.find_first_not_of("0123456789abcdef"), std::string_view::npos);
  }
  EXPECT_EQ(names, (std::vector<std::string_view>{"SYSTEM.CNF", "SYSPATCH.IMG", "MODPAK.BIN", "MDA.IRX", "MDB.IRX",
                                                  "MDC.IRX", "OV_MAIN_ONE_US.OVL", "OV_MAIN_TWO_US.OVL",
                                                  "OV_MAIN_THREE_US.OVL", "OV_MAIN_FOUR_US.OVL", "QXUS_404.04"}));
}

TEST(LocateGameFiles, MergesTheRootAndTheContainer) {
  const Result<IsoIndex> files = locateInFixture("demo.iso");
  ASSERT_TRUE(files) << files.error().message;
  for (const GameFile& file : kGameFileTable) EXPECT_TRUE(files->contains(std::string(file.name))) << file.name;
  EXPECT_EQ(files->at("SYSTEM.CNF").base, 0u);
  EXPECT_NE(files->at("MDA.IRX").base, 0u);
}

// The root's SYSPATCH.IMG and the container's A/MDA.IRX are decoys.
TEST(LocateGameFiles, ContainerFilesWinAndTheLastPathWinsWithinIt) {
  const Result<IsoIndex> files = locateInFixture("override.iso");
  ASSERT_TRUE(files) << files.error().message;
  const std::string image = testing::readWholeFile(testing::fixturePath("override.iso"));
  MemoryImage memory(image);
  const Result<IsoIndex> disc = indexVolume(memory, 0, image.size());
  ASSERT_TRUE(disc);
  const FileExtent container = disc->at("DATAPAK.CVM");
  const Result<IsoIndex> inner =
      indexVolume(memory, container.position() + kNestedVolumeOffset, container.position() + container.length);
  ASSERT_TRUE(inner);
  EXPECT_EQ(files->at("SYSPATCH.IMG"), inner->at("SYSPATCH.IMG"));
  EXPECT_EQ(files->at("MDA.IRX"), inner->at("IRX/MDA.IRX"));
}

TEST(LocateGameFiles, ExplainsWhatIsMissing) {
  const Result<IsoIndex> none = locateInFixture("no_container.iso");
  ASSERT_FALSE(none);
  EXPECT_EQ(none.error().message, "DATAPAK.CVM is missing from the disc image.");
  const Result<IsoIndex> inFolder = locateInFixture("sub_container.iso");
  ASSERT_FALSE(inFolder);
  EXPECT_EQ(inFolder.error().message, "DATAPAK.CVM is missing from the disc image.");

  const std::string inner = buildIso({IsoNode::file("A.BIN", "a")});
  const GameFile table[] = {{"A.BIN", ""}, {"B.BIN", ""}};
  const Result<IsoIndex> missing = locate(buildIso({IsoNode::file("DATAPAK.CVM", containerFile(inner))}), table);
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().message, "B.BIN is not on the disc image.");

  IsoNode longContainer = IsoNode::file("DATAPAK.CVM", containerFile(inner));
  longContainer.length = 100000000;
  const Result<IsoIndex> past = locate(buildIso({longContainer}), table);
  ASSERT_FALSE(past);
  EXPECT_EQ(past.error().message, "DATAPAK.CVM runs past the end of the image: the image is cut short.");

  // A container too short to hold a volume.
  const Result<IsoIndex> tiny = locate(buildIso({IsoNode::file("DATAPAK.CVM", "tiny")}), table);
  ASSERT_FALSE(tiny);
  EXPECT_EQ(tiny.error().message, "An entry points outside the image: the image is cut short or is not this disc.");
}

// A file of the container may claim bytes past the container: the index keeps it, bounded by the
// container's end, and the extraction refuses it when it gets there.
TEST(LocateGameFiles, KeepsTheContainerEndWithEachFile) {
  IsoNode far = IsoNode::file("A.BIN", "a");
  far.length = 1 << 20;
  const std::string inner = buildIso({far});
  const std::string container = containerFile(inner);
  const GameFile table[] = {{"A.BIN", ""}};
  const Result<IsoIndex> files = locate(
      buildIso({IsoNode::file("DATAPAK.CVM", container), IsoNode::file("ZZ", std::string(1 << 21, 'z'))}), table);
  ASSERT_TRUE(files) << files.error().message;
  EXPECT_FALSE(files->at("A.BIN").fitsVolume());
}

}  // namespace
}  // namespace myr::disc
