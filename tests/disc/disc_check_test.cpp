#include <gtest/gtest.h>

#include <string>

#include "disc/disc_check.h"
#include "disc/disc_fixtures.h"
#include "disc/iso_builder.h"
#include "disc/memory_image.h"

namespace myr::disc {
namespace {

using testing::buildIso;
using testing::IsoNode;
using testing::IsoOptions;
using testing::MemoryImage;
using testing::systemCnf;

const std::string kNoSystemCnf = "No SYSTEM.CNF: not a PlayStation 2 disc.";

std::string asLocalText(std::string_view bytes) { return std::string("<").append(bytes).append(">"); }

DiscCheck inspect(const std::string& bytes) {
  MemoryImage image(bytes);
  DiscCheck check;
  inspectDiscImage(image, check, &asLocalText);
  return check;
}

TEST(ReadBootSerial, FollowsTheBootLine) {
  struct Case {
    std::string text;
    std::string serial;  // empty: the error below
    std::string error;
  };
  const Case cases[] = {
      {"BOOT2 = cdrom0:\\QXUS_404.04;1\r\nVER = 1.00\r\n", "QXUS-40404", ""},
      {"BOOT2=cdrom0:\\QXUS_404.04;1", "QXUS-40404", ""},
      {"VMODE = NTSC\nBOOT2 = cdrom0:\\sles_123.45;1\n", "SLES-12345", ""},
      {"BOOT2 = cdrom0:\\DIR\\SCPS_150.17;1", "SCPS-15017", ""},
      {"BOOT2=QXUS_404.04;1", "BOOT2QXUS40404", ""},
      {"BOOT2 = cdrom0:\\ABCD;1", "ABCD", ""},
      {"BOOT2 = cdrom0:\\ABCDE", "ABCD-E", ""},
      {"BOOT2 = cdrom0:\\ABCDEFGHIJKL", "ABCD-EFGHIJKL", ""},
      {"BOOT2 = cdrom0:\\ABCDEFGHIJKLM", "ABCDEFGHIJKLM", ""},
      {"BOOT2 = cdrom0:\\QXUS_404.04\nBOOT2 = cdrom0:\\SLUS_999.99", "QXUS-40404", ""},
      {std::string("BOOT2 = cdrom0:\\QX\0US_404.04;1", 31), "QXUS-40404", ""},
      {"BOOT = cdrom:\\SLUS_000.01;1\r\n", "", "SYSTEM.CNF has no BOOT2 line: not a PlayStation 2 game."},
      {"boot2 = cdrom0:\\QXUS_404.04;1", "", "SYSTEM.CNF has no BOOT2 line: not a PlayStation 2 game."},
      {"", "", "SYSTEM.CNF has no BOOT2 line: not a PlayStation 2 game."},
      {"BOOT2 = cdrom0:\\;1", "", "SYSTEM.CNF names no boot file."},
      {"BOOT2 = cdrom0:\\_._\r\nQXUS_404.04", "", "SYSTEM.CNF names no boot file."},
  };
  for (const Case& c : cases) {
    const Result<std::string> serial = readBootSerial(c.text);
    if (c.error.empty()) {
      ASSERT_TRUE(serial) << c.text;
      EXPECT_EQ(*serial, c.serial) << c.text;
    } else {
      ASSERT_FALSE(serial) << c.text;
      EXPECT_EQ(serial.error().message, c.error) << c.text;
    }
  }
}

TEST(InspectDiscImage, RecognisesTheDemoDisc) {
  const DiscCheck check = inspect(testing::readWholeFile(testing::fixturePath("demo.iso")));
  EXPECT_EQ(check.error, "");
  EXPECT_EQ(check.serial, "QXUS-40404");
  EXPECT_EQ(check.volume, "<MYRROWEN>");
}

TEST(InspectDiscImage, ExplainsWhatIsWrong) {
  const std::string boot = systemCnf("BOOT2 = cdrom0:\\QXUS_404.04;1");
  IsoOptions emptyRoot;
  emptyRoot.rootLength = 0;
  IsoOptions farRoot;
  farRoot.rootSector = 90000;
  IsoOptions volumeWithNuls;
  volumeWithNuls.volumeId = std::string("DISC \0 A", 8) + std::string(3, '\0') + "  ";
  IsoNode emptyCnf = IsoNode::file("SYSTEM.CNF;1", "");
  IsoNode farCnf = IsoNode::file("SYSTEM.CNF;1", boot);
  farCnf.sector = 90000;
  IsoNode cnfAfterZeroRecord = IsoNode::file("SYSTEM.CNF", boot);
  cnfAfterZeroRecord.startsNewSector = true;
  const std::string beyond2048 = std::string(2048, '\n') + "BOOT2 = cdrom0:\\QXUS_404.04;1";
  // A raw 2352-byte-sector image: the descriptor lies 16 raw sectors in.
  std::string raw(16 * 2352 + 2352, '\0');
  raw.replace(16 * 2352 + 24, 6,
              "\x01"
              "CD001");

  struct Case {
    const char* what;
    std::string image;
    std::string serial;
    std::string error;
  };
  const Case cases[] = {
      {"lower-case name", buildIso({IsoNode::file("system.cnf;1", boot)}), "QXUS-40404", ""},
      {"after a zero record length", buildIso({IsoNode::file("A", "a"), cnfAfterZeroRecord}), "QXUS-40404", ""},
      {"other region", buildIso({IsoNode::file("SYSTEM.CNF;1", systemCnf("BOOT2 = cdrom0:\\SLES_123.45;1"))}),
       "SLES-12345", ""},
      {"no SYSTEM.CNF", buildIso({IsoNode::file("README.TXT", "hello")}), "", kNoSystemCnf},
      {"SYSTEM.CNF in a folder", buildIso({IsoNode::dir("SUB", {IsoNode::file("SYSTEM.CNF;1", boot)})}), "",
       kNoSystemCnf},
      {"SYSTEM.CNF;2", buildIso({IsoNode::file("SYSTEM.CNF;2", boot)}), "", kNoSystemCnf},
      {"empty SYSTEM.CNF", buildIso({emptyCnf}), "", kNoSystemCnf},
      {"broken record first", buildIso({IsoNode::raw(std::string("\x05", 1)), IsoNode::file("SYSTEM.CNF", boot)}), "",
       kNoSystemCnf},
      {"SYSTEM.CNF past the end", buildIso({farCnf}), "", "SYSTEM.CNF cannot be read."},
      {"BOOT2 beyond 2048 bytes", buildIso({IsoNode::file("SYSTEM.CNF", beyond2048)}), "",
       "SYSTEM.CNF has no BOOT2 line: not a PlayStation 2 game."},
      {"PlayStation disc", buildIso({IsoNode::file("SYSTEM.CNF;1", "BOOT = cdrom:\\SLUS_000.01;1\r\n")}), "",
       "SYSTEM.CNF has no BOOT2 line: not a PlayStation 2 game."},
      {"empty root", buildIso({IsoNode::file("SYSTEM.CNF", boot)}, emptyRoot), "", "The root folder cannot be read."},
      {"root past the end", buildIso({}, farRoot), "", "The root folder cannot be read."},
  };
  for (const Case& c : cases) {
    const DiscCheck check = inspect(c.image);
    EXPECT_EQ(check.error, c.error) << c.what;
    EXPECT_EQ(check.serial, c.serial) << c.what;
    EXPECT_EQ(check.volume, "<MYR_TEST>") << c.what;
  }

  const std::string notIso =
      "Not an ISO 9660 image with 2048-byte sectors (a .bin/.cue or a compressed image does not work).";
  IsoOptions typeTwo;
  typeTwo.descriptorType = 2;
  for (const std::string& image : {std::string(), std::string(2047, '\0'), std::string(40000, '\0'), raw,
                                   buildIso({IsoNode::file("SYSTEM.CNF", boot)}, typeTwo),
                                   buildIso({IsoNode::file("SYSTEM.CNF", boot)}).substr(0, 34815)}) {
    const DiscCheck check = inspect(image);
    EXPECT_EQ(check.error, notIso) << image.size() << " bytes";
    EXPECT_EQ(check.volume, "");
  }
  EXPECT_EQ(inspect(buildIso({}, volumeWithNuls)).volume, std::string("<DISC \0 A>", 10));
}

}  // namespace
}  // namespace myr::disc
