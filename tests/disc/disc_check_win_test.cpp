#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>

#include "disc/disc_check_win.h"
#include "disc/disc_fixtures.h"
#include "disc/disc_state_win.h"
#include "disc/iso_builder.h"
#include "foundation/files/win_handle.h"
#include "foundation/files/win_text.h"
#include "foundation/json/json.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace myr::disc {
namespace {

using testing::buildIso;
using testing::IsoNode;
using testing::systemCnf;

const std::string kNotIso =
    "Not an ISO 9660 image with 2048-byte sectors (a .bin/.cue or a compressed image does not work).";

void writeFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string otherRegionDisc() {
  return buildIso({IsoNode::file("SYSTEM.CNF;1", systemCnf("BOOT2 = cdrom0:\\SLES_123.45;1"))});
}

TEST(CheckDiscImage, RecognisesTheDemoDisc) {
  const fs::path demo = testing::fixturePath("demo.iso");
  const DiscCheck check = checkDiscImage(demo);
  EXPECT_TRUE(check.exists);
  EXPECT_EQ(check.size, fs::file_size(demo));
  EXPECT_EQ(check.serial, "QXUS-40404");
  EXPECT_EQ(check.volume, "MYRROWEN");
  EXPECT_EQ(check.error, "");
}

TEST(CheckDiscImage, RefusesWhatIsNoImageFile) {
  myr::testing::TempFolder folder;
  writeFile(folder / L"empty.iso", "");
  writeFile(folder / L"short.iso", std::string(2047, 'x'));
  {
    // Four GiB of zeros, sparse where the file system allows.
    const WinHandle sparse(CreateFileW((folder / L"zeros.iso").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(sparse);
    LARGE_INTEGER size{};
    size.QuadPart = std::int64_t{1} << 32;
    ASSERT_TRUE(SetFilePointerEx(sparse.get(), size, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(sparse.get()));
  }
  struct Case {
    fs::path path;
    bool exists;
    std::uint64_t size;
    std::string error;
  };
  const Case cases[] = {
      {folder.path(), false, 0, "The file does not exist."},
      {folder / L"missing.iso", false, 0, "The file does not exist."},
      {L"NUL", false, 0, "The file does not exist."},
      {L"CON", false, 0, "The file does not exist."},
      {folder / L"empty.iso", true, 0, kNotIso},
      {folder / L"short.iso", true, 2047, kNotIso},
      {folder / L"zeros.iso", true, std::uint64_t{1} << 32, kNotIso},
  };
  for (const Case& c : cases) {
    const DiscCheck check = checkDiscImage(c.path);
    EXPECT_EQ(check.exists, c.exists) << c.path.string();
    EXPECT_EQ(check.size, c.size) << c.path.string();
    EXPECT_EQ(check.error, c.error) << c.path.string();
    EXPECT_EQ(check.serial, "") << c.path.string();
  }
}

TEST(CheckDiscImage, ReportsAnImageItCannotOpen) {
  myr::testing::TempFolder folder;
  const fs::path path = folder / L"held.iso";
  writeFile(path, testing::readWholeFile(testing::fixturePath("demo.iso")));
  const WinHandle held(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  const DiscCheck check = checkDiscImage(path);
  EXPECT_TRUE(check.exists);
  EXPECT_EQ(check.error, "Cannot open it: " + systemErrorText(ERROR_SHARING_VIOLATION) + ".");
}

TEST(FindDiscFolder, LooksInTheStartFolderAndThreeAncestors) {
  myr::testing::TempFolder folder;
  writeFile(folder / L"a" / L"disc" / L"QXUS_404.04", "boot");
  fs::create_directories(folder / L"a" / L"b" / L"c" / L"d" / L"e");
  const fs::path disc = folder / L"a" / L"disc";
  EXPECT_EQ(findDiscFolder(folder / L"a"), disc);
  EXPECT_EQ(findDiscFolder(folder / L"a" / L"b" / L"c" / L"d"), disc);
  EXPECT_EQ(findDiscFolder(folder / L"a" / L"b" / L"c" / L"d" / L"e"), fs::path());
  EXPECT_EQ(findDiscFolder(folder.path()), fs::path());

  // A folder named like the boot file counts too.
  fs::create_directories(folder / L"f" / L"disc" / L"QXUS_404.04");
  EXPECT_EQ(findDiscFolder(folder / L"f"), folder / L"f" / L"disc");
  EXPECT_EQ(findDiscFolder(L"C:\\"), fs::path());
}

TEST(DefaultImagePath, EnvironmentThenSettingThenTheFolderAboveTheGame) {
  myr::testing::TempFolder folder;
  const fs::path game = folder / L"games" / L"Myrrowen";
  writeFile(game / L"disc" / L"QXUS_404.04", "boot");

  const ImageLocation environment = defaultImagePath({"D:\\from env.iso", "E:\\from ini.iso"}, game);
  EXPECT_EQ(environment.path, fs::path(L"D:\\from env.iso"));
  EXPECT_EQ(environment.source, "environment");
  const ImageLocation setting = defaultImagePath({"", "E:\\caf\xC3\xA9.iso"}, game);
  EXPECT_EQ(setting.path, fs::path(L"E:\\caf\u00E9.iso"));
  EXPECT_EQ(setting.source, "myr.ini");
  const ImageLocation fallback = defaultImagePath({}, game);
  EXPECT_EQ(fallback.path, folder / L"games" / L"Myrrowen (USA).iso");
  EXPECT_EQ(fallback.source, "default");
  const ImageLocation none = defaultImagePath({}, folder / L"elsewhere");
  EXPECT_EQ(none.path, fs::path());
  EXPECT_EQ(none.source, "");
}

TEST(BuildDiscState, WithoutAnImage) {
  myr::testing::TempFolder game;
  ExtractionStatus status;
  EXPECT_EQ(json::write(buildDiscState(game.path(), {}, status)),
            R"({"iso":"","source":"","gameExe":false,"discFolder":"","extract":{"running":false,"done":0,)"
            R"("total":0,"name":"","error":""},"exists":false,"ok":false,"error":"No disc image chosen."})");
}

TEST(BuildDiscState, ReportsTheImageTheGameAndTheExtraction) {
  myr::testing::TempFolder game;
  writeFile(game / L"myr.exe", "program");
  writeFile(game / L"disc" / L"QXUS_404.04", "boot");
  ExtractionStatus status;
  ASSERT_TRUE(status.tryStart(L"x.iso", false, 11));
  status.progress(4, 11, "MDB.IRX");
  const std::string demo = toUtf8(testing::fixturePath("demo.iso").native());

  const json::Value state = buildDiscState(game.path(), {demo, ""}, status);
  std::vector<std::string> keys;
  for (const auto& member : state.members()) keys.push_back(member.first);
  EXPECT_EQ(keys, (std::vector<std::string>{"iso", "source", "gameExe", "discFolder", "extract", "exists", "size",
                                            "serial", "volume", "ok", "error"}));
  EXPECT_EQ(state.get("iso").asString(), demo);
  EXPECT_EQ(state.get("source").asString(), "environment");
  EXPECT_TRUE(state.get("gameExe").asBool());
  EXPECT_EQ(state.get("discFolder").asString(), toUtf8((game / L"disc").native()));
  EXPECT_EQ(json::write(state.get("extract")), R"({"running":true,"done":4,"total":11,"name":"MDB.IRX","error":""})");
  EXPECT_TRUE(state.get("exists").asBool());
  EXPECT_EQ(state.get("size").asNumber(0), static_cast<double>(fs::file_size(testing::fixturePath("demo.iso"))));
  EXPECT_EQ(state.get("serial").asString(), "QXUS-40404");
  EXPECT_EQ(state.get("volume").asString(), "MYRROWEN");
  EXPECT_TRUE(state.get("ok").asBool());
  EXPECT_EQ(state.get("error").asString(), "");
}

TEST(BuildDiscState, RefusesOtherReleasesAndMissingImages) {
  myr::testing::TempFolder game;
  writeFile(game / L"europe.iso", otherRegionDisc());
  ExtractionStatus status;
  const json::Value other = buildDiscState(game.path(), {"", toUtf8((game / L"europe.iso").native())}, status);
  EXPECT_EQ(other.get("source").asString(), "myr.ini");
  EXPECT_EQ(other.get("serial").asString(), "SLES-12345");
  EXPECT_FALSE(other.get("ok").asBool());
  EXPECT_EQ(other.get("error").asString(), "This is SLES-12345. The port runs the USA release, QXUS-40404.");

  // The environment wins even when it names nothing.
  const std::string missing = toUtf8((game / L"missing.iso").native());
  const json::Value gone = buildDiscState(game.path(), {missing, toUtf8((game / L"europe.iso").native())}, status);
  EXPECT_EQ(gone.get("iso").asString(), missing);
  EXPECT_FALSE(gone.get("exists").asBool());
  EXPECT_EQ(gone.get("size").asNumber(-1), 0);
  EXPECT_FALSE(gone.get("ok").asBool());
  EXPECT_EQ(gone.get("error").asString(), "The file does not exist.");
}

}  // namespace
}  // namespace myr::disc
