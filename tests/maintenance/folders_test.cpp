// "open": every target as the shell would have been asked to open it (nothing is started), the
// folders made on the way, the files that must exist, the licenses beside the unpacked game.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/files/win_text.h"
#include "maintenance/maintenance_fixture.h"

namespace fs = std::filesystem;

namespace myr::maintenance {
namespace {

using OpenCommand = MaintenanceTest;

TEST_F(OpenCommand, OpensEachFolderAndMakesItFirst) {
  struct Case {
    const char* what;
    fs::path folder;
  };
  const Case cases[] = {
      {"game", game},
      {"logs", game / L"logs"},
      {"states", game / L"states"},
      {"backups", game / L"backups"},
      {"memcards", game / L"memcards"},
      {"savedata", game / L"savedata"},
      {"shaders", game / L"shadercache"},
      {"licenses", game / L"licenses"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(json::write(run("open", argument("what", c.what)).get("result")), "{}") << c.what;
    ASSERT_FALSE(host.modal.opened.empty()) << c.what;
    EXPECT_EQ(host.modal.opened.back(), c.folder) << c.what;
    EXPECT_TRUE(fs::is_directory(c.folder)) << c.what;
  }
  EXPECT_EQ(host.modal.opened.size(), std::size(cases));
}

TEST_F(OpenCommand, UnknownNamesOpenNothing) {
  const json::Value requests[] = {argument("what", "Game"), argument("what", "saves"), argument("what", 1),
                                  json::Value::object(), json::Value()};
  for (const json::Value& args : requests) {
    EXPECT_EQ(run("open", args).get("error").asString(), "Unknown folder.") << json::write(args);
  }
  EXPECT_TRUE(host.modal.opened.empty());
}

TEST_F(OpenCommand, TheLogsAndTheSettingsFileMustExist) {
  struct Case {
    const char* what;
    fs::path file;
  };
  const Case cases[] = {{"log", game / L"logs" / L"last_run.log"},
                        {"launcherLog", game / L"logs" / L"launcher.log"},
                        {"ini", game / L"myr.ini"}};
  for (const Case& c : cases) {
    EXPECT_EQ(run("open", argument("what", c.what)).get("error").asString(),
              toUtf8(c.file.native()) + " does not exist yet.")
        << c.what;
    EXPECT_TRUE(host.modal.opened.empty()) << c.what;

    writeFile(c.file, 1);
    EXPECT_TRUE(run("open", argument("what", c.what)).get("ok").asBool()) << c.what;
    EXPECT_EQ(host.modal.opened, std::vector<fs::path>{c.file}) << c.what;
    host.modal.opened.clear();
  }
}

TEST_F(OpenCommand, LicensesComeFromBesideTheUnpackedGameUnlessTheGameFolderHasItsOwn) {
  host.disc = folder / L"install" / L"disc";
  run("open", argument("what", "licenses"));
  EXPECT_EQ(host.modal.opened.back(), folder / L"install" / L"licenses");
  EXPECT_FALSE(fs::exists(game / L"licenses"));

  fs::create_directories(game / L"licenses");
  run("open", argument("what", "licenses"));
  EXPECT_EQ(host.modal.opened.back(), game / L"licenses");
}

TEST_F(OpenCommand, OpeningTheShadersMovesTheOlderCacheFirst) {
  writeFile(game / L"shadercache_pcsx2" / L"a.bin", 1);
  run("open", argument("what", "shaders"));
  EXPECT_EQ(host.modal.opened, std::vector<fs::path>{game / L"shadercache"});
  EXPECT_TRUE(fs::exists(game / L"shadercache" / L"a.bin"));
  EXPECT_FALSE(fs::exists(game / L"shadercache_pcsx2"));
}

TEST_F(OpenCommand, AShellFailureNamesThePathAndTheShellsNumber) {
  host.modal.openOutcome = Error{"", 2};
  EXPECT_EQ(json::write(run("open", argument("what", "logs"))),
            R"({"id":1,"ok":false,"error":)" +
                json::write(json::Value(toUtf8((game / L"logs").native()) + " could not be opened (2).")) + "}");
}

}  // namespace
}  // namespace myr::maintenance
