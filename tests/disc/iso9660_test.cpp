#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "disc/disc_fixtures.h"
#include "disc/iso9660.h"
#include "disc/iso_builder.h"
#include "disc/memory_image.h"
#include "disc/sha1.h"

namespace myr::disc {
namespace {

using testing::buildIso;
using testing::IsoNode;
using testing::IsoOptions;
using testing::MemoryImage;

const std::string kOutside = "An entry points outside the image: the image is cut short or is not this disc.";
const std::string kNotOfThisGame = "The image's folders are not those of an ISO 9660 disc image of this game.";

Result<IsoIndex> indexOf(const std::string& bytes) {
  MemoryImage image(bytes);
  return indexVolume(image, 0, bytes.size());
}

std::vector<std::string> keysOf(const IsoIndex& index) {
  std::vector<std::string> keys;
  for (const auto& entry : index) keys.push_back(entry.first);
  return keys;
}

IsoNode nestedFolders(int depth) {
  IsoNode node = IsoNode::file("DEEP.BIN;1", "deep");
  for (int level = depth; level >= 1; --level) node = IsoNode::dir("D" + std::to_string(level), {node});
  return node;
}

// The demo disc as xorriso wrote it: the root files, and the container's files below its base.
TEST(IndexVolume, ReadsTheDemoDiscAndItsContainer) {
  MemoryImage image(testing::readWholeFile(testing::fixturePath("demo.iso")));
  const Result<IsoIndex> disc = indexVolume(image, 0, image.size());
  ASSERT_TRUE(disc) << disc.error().message;
  EXPECT_EQ(keysOf(*disc),
            (std::vector<std::string>{"ARTPK.CVM", "DATAPAK.CVM", "MODPAK.BIN", "QXUS_404.04", "SYSTEM.CNF"}));
  const FileExtent container = disc->at("DATAPAK.CVM");
  const std::uint64_t base = container.position() + kNestedVolumeOffset;
  const Result<IsoIndex> inner = indexVolume(image, base, container.position() + container.length);
  ASSERT_TRUE(inner) << inner.error().message;
  EXPECT_EQ(keysOf(*inner),
            (std::vector<std::string>{"IRX/MDA.IRX", "IRX/MDB.IRX", "IRX/MDC.IRX", "OVL/OV_MAIN_FOUR_US.OVL",
                                      "OVL/OV_MAIN_ONE_US.OVL", "OVL/OV_MAIN_THREE_US.OVL", "OVL/OV_MAIN_TWO_US.OVL",
                                      "SYSPATCH.IMG"}));
  EXPECT_EQ(inner->at("SYSPATCH.IMG").base, base);

  testing::DigestList digests = testing::DigestList::fromFile(testing::fixturePath("demo.sha1"));
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(readExtent(image, inner->at("IRX/MDA.IRX"), bytes));
  Sha1 sha;
  sha.update(bytes);
  EXPECT_EQ(sha.hexDigest(), digests.rows()[3].sha1);
}

TEST(IndexVolume, KeysAreStoredNamesWithoutVersion) {
  const Result<IsoIndex> index = indexOf(buildIso({
      IsoNode::file("FILE.BIN;1", "first"),
      IsoNode::file("FILE.BIN", "second"),
      IsoNode::file("file.bin", "lower"),
      IsoNode::file("DOT.;1", "dot"),
      IsoNode::dir("SUB", {IsoNode::file("A;2;3", "a")}),
      IsoNode::dir("EMPTY", {}),
  }));
  ASSERT_TRUE(index) << index.error().message;
  EXPECT_EQ(keysOf(*index), (std::vector<std::string>{"DOT.", "FILE.BIN", "SUB/A", "file.bin"}));
  // The later of two records with one key wins.
  EXPECT_EQ(index->at("FILE.BIN").length, 6u);
}

TEST(IndexVolume, ZeroLengthRecordSkipsToTheNextSector) {
  IsoNode after = IsoNode::file("AFTER.BIN", "after");
  after.startsNewSector = true;
  const Result<IsoIndex> index = indexOf(buildIso({IsoNode::file("BEFORE.BIN", "before"), after}));
  ASSERT_TRUE(index) << index.error().message;
  EXPECT_EQ(keysOf(*index), (std::vector<std::string>{"AFTER.BIN", "BEFORE.BIN"}));
}

TEST(IndexVolume, EmptyAndZeroLengthRootsGiveNoEntries) {
  const Result<IsoIndex> empty = indexOf(buildIso({}));
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->empty());
  IsoOptions options;
  options.rootLength = 0;
  const Result<IsoIndex> zero = indexOf(buildIso({IsoNode::file("A", "a")}, options));
  ASSERT_TRUE(zero);
  EXPECT_TRUE(zero->empty());
}

TEST(IndexVolume, DescriptorTypeIsIgnored) {
  IsoOptions options;
  options.descriptorType = 2;
  EXPECT_TRUE(indexOf(buildIso({IsoNode::file("A", "a")}, options)));
}

TEST(IndexVolume, FoldersNestSixteenLevelsBelowTheRoot) {
  const Result<IsoIndex> sixteen = indexOf(buildIso({nestedFolders(16)}));
  ASSERT_TRUE(sixteen) << sixteen.error().message;
  EXPECT_TRUE(sixteen->contains("D1/D2/D3/D4/D5/D6/D7/D8/D9/D10/D11/D12/D13/D14/D15/D16/DEEP.BIN"));
  const Result<IsoIndex> seventeen = indexOf(buildIso({nestedFolders(17)}));
  ASSERT_FALSE(seventeen);
  EXPECT_EQ(seventeen.error().message, kNotOfThisGame);
}

// Sixteen levels of folders, each with fifty records of the next level: walked naively, 50^16
// folders. The builder puts the root at sector 18 and the chain D1 to D16 right after it.
TEST(IndexVolume, FoldersListedManyTimesOverEndInBoundedTime) {
  IsoNode level = IsoNode::dir("D16", {});
  for (int depth = 15; depth >= 0; --depth) {
    std::vector<IsoNode> children{level};
    for (int copy = 0; copy < 49; ++copy) {
      IsoNode again = IsoNode::dir(std::string("X") + std::to_string(copy), {});
      again.sector = static_cast<std::uint32_t>(18 + depth + 1);
      again.length = 2048;
      children.push_back(again);
    }
    level = depth == 0 ? IsoNode::dir("", children) : IsoNode::dir(std::string("D") + std::to_string(depth), children);
  }
  const Result<IsoIndex> index = indexOf(buildIso(level.children));
  ASSERT_FALSE(index);
  EXPECT_EQ(index.error().message, kNotOfThisGame);
}

// Counts what the index reads, as the measure of its work.
class CountingImage : public MemoryImage {
 public:
  using MemoryImage::MemoryImage;
  Status readAt(std::uint64_t position, std::span<std::uint8_t> into) override {
    bytesRead += into.size();
    return MemoryImage::readAt(position, into);
  }
  std::uint64_t bytesRead = 0;
};

// A file record that points at sector 0: records alone make an image of any number of files.
IsoNode recordOnly(std::string identifier) {
  IsoNode file = IsoNode::file(std::move(identifier), "");
  file.sector = 0;
  file.length = 1;
  return file;
}

// Fifteen levels of long folder names, the last holding 2000 records of one shared folder of 1000
// files: indexed naively, two million keys of some 500 bytes each from an image of a few hundred
// kilobytes.
// The shared folder first in the root, then fifteen levels of long folder names, the last
// holding 2000 records that point at the shared folder.
std::string chainToOneSharedFolder(std::uint32_t sharedLength) {
  std::vector<IsoNode> files;
  for (int i = 0; i < 1000; ++i) files.push_back(recordOnly("FILE" + std::to_string(i) + ".BIN;1"));
  std::vector<IsoNode> links;
  for (int i = 0; i < 2000; ++i) {
    IsoNode again = IsoNode::dir("L" + std::to_string(i), {});
    again.sector = 19;  // the builder puts the root at 18 and its first child right after
    again.length = sharedLength;
    links.push_back(again);
  }
  IsoNode level = IsoNode::dir(std::string(30, 'Z'), links);
  for (int depth = 14; depth >= 1; --depth) level = IsoNode::dir(std::string(30, 'A' + depth), {level});
  return buildIso({IsoNode::dir("SHARED", files), level});
}

// Indexed naively, two million keys of some 500 bytes each from an image of a few hundred
// kilobytes.
TEST(IndexVolume, AFolderReachedTwiceIsRefusedBeforeItCostsAnything) {
  const std::string draft = chainToOneSharedFolder(0);
  DirectoryRecords root(std::span(reinterpret_cast<const std::uint8_t*>(draft.data()) + 18 * kSectorSize, kSectorSize));
  DirectoryRecord record;
  std::uint32_t sharedLength = 0;
  while (root.next(record) == DirectoryRecords::Step::Record) {
    if (record.identifier() == "SHARED") sharedLength = record.dataLength;
  }
  ASSERT_GT(sharedLength, 0u);
  // With empty links the walk reads each folder once: the work the true image may cost.
  CountingImage once(draft);
  ASSERT_TRUE(indexVolume(once, 0, draft.size()));
  const std::string image = chainToOneSharedFolder(sharedLength);
  CountingImage counted(image);
  const Result<IsoIndex> index = indexVolume(counted, 0, image.size());
  ASSERT_FALSE(index);
  EXPECT_EQ(index.error().message, kNotOfThisGame);
  EXPECT_LE(counted.bytesRead, once.bytesRead);
}

TEST(IndexVolume, AVolumeOfMoreFilesThanADiscHoldsIsRefused) {
  std::vector<IsoNode> files;
  for (int i = 0; i < 70000; ++i) files.push_back(recordOnly("F" + std::to_string(i) + ".BIN"));
  const Result<IsoIndex> index = indexOf(buildIso({IsoNode::dir("MANY", files)}));
  ASSERT_FALSE(index);
  EXPECT_EQ(index.error().message, kNotOfThisGame);

  // Long paths: 16 levels of 60-byte names make keys of about 1 KB; 5000 of them pass 4 MiB.
  std::vector<IsoNode> deepFiles;
  for (int i = 0; i < 5000; ++i) deepFiles.push_back(recordOnly("F" + std::to_string(i) + ".BIN"));
  IsoNode level = IsoNode::dir(std::string(60, 'Z'), deepFiles);
  for (int depth = 15; depth >= 1; --depth) level = IsoNode::dir(std::string(60, 'A' + depth), {level});
  const Result<IsoIndex> deep = indexOf(buildIso({level}));
  ASSERT_FALSE(deep);
  EXPECT_EQ(deep.error().message, kNotOfThisGame);
}

TEST(IndexVolume, RefusesDamagedStructures) {
  const auto withRecord = [](std::string raw) {
    return buildIso({IsoNode::dir("A", {IsoNode::file("OK.BIN", "ok"), IsoNode::raw(std::move(raw))})});
  };
  IsoNode longIdentifier = IsoNode::file("NAME", "x");
  longIdentifier.identifierLength = 10;
  IsoNode hugeFolder = IsoNode::dir("HUGE", {});
  hugeFolder.length = 16777217;
  IsoNode folderPastEnd = IsoNode::dir("FAR", {});
  folderPastEnd.sector = 100000;
  IsoOptions noStandardId;
  noStandardId.standardId = "CD002";
  const std::string good = buildIso({IsoNode::file("A", "a")});

  struct Case {
    const char* what;
    std::string image;
    std::string message;
  };
  const Case cases[] = {
      {"record length 1", withRecord(std::string("\x01", 1)), "A folder record in /A/ is damaged."},
      {"record length 20", withRecord(std::string("\x14", 1) + std::string(19, '\0')),
       "A folder record in /A/ is damaged."},
      {"record length 33", withRecord(std::string("\x21", 1) + std::string(32, '\0')),
       "A folder record in /A/ is damaged."},
      {"identifier longer than its record", buildIso({longIdentifier}), "A folder record in / is damaged."},
      {"folder larger than 16 MiB", buildIso({hugeFolder}), kNotOfThisGame},
      {"folder past the end", buildIso({folderPastEnd}), kOutside},
      {"image shorter than its descriptor", good.substr(0, 34815), kOutside},
      {"no standard identifier", buildIso({}, noStandardId), "No ISO 9660 volume at byte 32768 of the image."},
  };
  for (const Case& c : cases) {
    const Result<IsoIndex> index = indexOf(c.image);
    ASSERT_FALSE(index) << c.what;
    EXPECT_EQ(index.error().message, c.message) << c.what;
  }
}

TEST(IndexVolume, RecordRunningPastTheFolderEndIsDamaged) {
  // The folder's last record claims more bytes than the folder has.
  IsoNode last = IsoNode::raw(std::string("\x40", 1) + std::string(20, '\0'));
  IsoNode folder = IsoNode::dir("A", {last});
  folder.length = 68 + 21;  // the own and parent records, then the short record
  const Result<IsoIndex> index = indexOf(buildIso({folder}));
  ASSERT_FALSE(index);
  EXPECT_EQ(index.error().message, "A folder record in /A/ is damaged.");
}

TEST(IndexVolume, NestedVolumeIsBoundedByItsEnd) {
  const std::string volume = buildIso({IsoNode::file("IN.BIN", std::string(5000, 'i'))});
  const std::string image = std::string(7, 'x') + volume;  // a base that is no sector multiple
  MemoryImage memory(image);
  const Result<IsoIndex> inside = indexVolume(memory, 7, image.size());
  ASSERT_TRUE(inside) << inside.error().message;
  EXPECT_EQ(inside->at("IN.BIN").base, 7u);
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(readExtent(memory, inside->at("IN.BIN"), bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string(5000, 'i'));

  const Result<IsoIndex> cut = indexVolume(memory, 7, 7 + 34815);
  ASSERT_FALSE(cut);
  EXPECT_EQ(cut.error().message, kOutside);
  const Result<IsoIndex> shifted = indexVolume(memory, 8, image.size());
  ASSERT_FALSE(shifted);
  EXPECT_EQ(shifted.error().message, "No ISO 9660 volume at byte 32776 of the image.");
}

TEST(ReadExtent, ChecksBoundsAndReportsReadFailures) {
  MemoryImage image(std::string(8192, 'z'));
  std::vector<std::uint8_t> bytes(3, 1);
  ASSERT_TRUE(readExtent(image, {0, 8192, 3, 0}, bytes));
  EXPECT_TRUE(bytes.empty());
  ASSERT_TRUE(readExtent(image, {0, 8192, 3, 2048}, bytes));
  EXPECT_EQ(bytes.size(), 2048u);

  const Status outside = readExtent(image, {0, 8192, 3, 2049}, bytes);
  ASSERT_FALSE(outside);
  EXPECT_EQ(outside.error().message, kOutside);
  EXPECT_FALSE(readExtent(image, {~std::uint64_t{0} - 10, ~std::uint64_t{0}, 0xFFFFFFFF, 100}, bytes));

  // The end claims more than the file holds.
  const Status unreadable = readExtent(image, {0, 1 << 20, 5, 10}, bytes);
  ASSERT_FALSE(unreadable);
  EXPECT_EQ(unreadable.error().message, "The image cannot be read at sector 5: Reached the end of the file.");
  EXPECT_EQ(unreadable.error().systemCode, 38u);
}

}  // namespace
}  // namespace myr::disc
