// "cacheInfo" and "clearCache" on real folders: the one-time move of the older cache name, the
// data folder from ZEVR_DATA_DIR, deleting around a locked file, and the refusals.

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <future>
#include <string>

#include "foundation/files/win_handle.h"
#include "foundation/files/win_text.h"
#include "maintenance/maintenance_fixture.h"
#include "support/folder_link.h"

namespace fs = std::filesystem;

namespace myr::maintenance {
namespace {

std::string utf8(const fs::path& path) { return toUtf8(path.native()); }

using ShaderCache = MaintenanceTest;

TEST_F(ShaderCache, InfoCountsEveryFileBelowTheCache) {
  const fs::path cache = game / L"shadercache";
  writeFile(cache / L"a.bin", 100);
  writeFile(cache / L"vulkan" / L"b.bin", 20);
  writeFile(cache / L"vulkan" / L"pipelines" / L"c.bin", 3);

  const json::Value reply = run("cacheInfo");
  EXPECT_EQ(json::write(reply), R"({"id":1,"ok":true,"result":{"bytes":123,"files":3,"path":)" +
                                    json::write(json::Value(utf8(cache))) + "}}");
}

TEST_F(ShaderCache, AMissingCacheHasNothingAndClearingItFreesNothing) {
  const json::Value info = run("cacheInfo").get("result");
  EXPECT_EQ(info.get("bytes").asNumber(-1), 0);
  EXPECT_EQ(info.get("files").asNumber(-1), 0);
  EXPECT_EQ(info.get("path").asString(), utf8(game / L"shadercache"));
  EXPECT_FALSE(fs::exists(game / L"shadercache"));

  EXPECT_EQ(json::write(run("clearCache").get("result")), R"({"freed":0})");
}

// Which folder is the cache when the older name, the newer one, both or neither exist.
TEST_F(ShaderCache, TheOlderNameIsMovedOnlyWhenItIsAlone) {
  struct Case {
    const char* name;
    bool older;
    bool newer;
    double bytes;    // of the folder in use: the older holds 7, the newer 5
    bool olderLeft;  // the older folder still there afterwards
  };
  const Case cases[] = {
      {"only the older", true, false, 7, false},
      {"both", true, true, 5, true},
      {"only the newer", false, true, 5, false},
      {"neither", false, false, 0, false},
  };
  for (const Case& c : cases) {
    const testing::TempFolder data;
    if (c.older) writeFile(data / L"shadercache_pcsx2" / L"old.bin", 7);
    if (c.newer) writeFile(data / L"shadercache" / L"new.bin", 5);
    SetEnvironmentVariableW(L"ZEVR_DATA_DIR", data.path().c_str());

    const json::Value info = run("cacheInfo").get("result");
    EXPECT_EQ(info.get("path").asString(), utf8(data / L"shadercache")) << c.name;
    EXPECT_EQ(info.get("bytes").asNumber(-1), c.bytes) << c.name;
    EXPECT_EQ(fs::exists(data / L"shadercache_pcsx2"), c.olderLeft) << c.name;
  }
}

TEST_F(ShaderCache, TheDataFolderHoldsTheCacheAndTheMoveHappensOnce) {
  const testing::TempFolder data;
  writeFile(game / L"shadercache" / L"untouched.bin", 50);
  writeFile(data / L"shadercache_pcsx2" / L"old.bin", 7);
  SetEnvironmentVariableW(L"ZEVR_DATA_DIR", data.path().c_str());

  EXPECT_EQ(run("cacheInfo").get("result").get("path").asString(), utf8(data / L"shadercache"));
  EXPECT_TRUE(fs::exists(data / L"shadercache" / L"old.bin"));
  EXPECT_FALSE(fs::exists(data / L"shadercache_pcsx2"));

  // An older folder made again later stays where it is.
  writeFile(data / L"shadercache_pcsx2" / L"again.bin", 9);
  EXPECT_EQ(json::write(run("clearCache").get("result")), R"({"freed":7})");
  EXPECT_FALSE(fs::exists(data / L"shadercache" / L"old.bin"));
  EXPECT_TRUE(fs::exists(data / L"shadercache_pcsx2" / L"again.bin"));
  EXPECT_TRUE(fs::exists(game / L"shadercache" / L"untouched.bin"));
  EXPECT_FALSE(fs::exists(game / L"shadercache_pcsx2"));
}

TEST_F(ShaderCache, ClearingDeletesEverythingInsideAndKeepsTheFolder) {
  const fs::path cache = game / L"shadercache";
  writeFile(cache / L"a.bin", 100);
  writeFile(cache / L"vulkan" / L"pipelines" / L"b.bin", 20);
  CreateDirectoryW((cache / L"empty").c_str(), nullptr);

  EXPECT_EQ(json::write(run("clearCache")), R"({"id":1,"ok":true,"result":{"freed":120}})");
  EXPECT_TRUE(fs::is_directory(cache));
  EXPECT_TRUE(fs::is_empty(cache));
}

TEST_F(ShaderCache, ALockedFileFailsItsTopEntryOnceAndTheRestIsDeleted) {
  const fs::path cache = game / L"shadercache";
  for (int i = 0; i < 3; ++i) writeFile(cache / (L"top" + std::to_wstring(i) + L".bin"), 10);
  for (int i = 0; i < 10; ++i) writeFile(cache / L"sub" / (L"inner" + std::to_wstring(i) + L".bin"), 10);
  const fs::path locked = cache / L"sub" / L"inner4.bin";
  // As the game holds its files: others may read, not delete.
  const WinHandle holder(CreateFileW(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(holder);

  EXPECT_EQ(json::write(run("clearCache")),
            R"({"id":1,"ok":false,"error":"1 files in the shader cache could not be deleted."})");
  std::vector<fs::path> left;
  for (const auto& entry : fs::recursive_directory_iterator(cache)) left.push_back(entry.path());
  EXPECT_EQ(left, (std::vector<fs::path>{cache / L"sub", locked}));
}

TEST_F(ShaderCache, ALinkInsideIsRemovedWithoutTouchingWhereItLeads) {
  const fs::path cache = game / L"shadercache";
  const fs::path outside = folder / L"saves";
  writeFile(cache / L"a.bin", 10);
  writeFile(outside / L"keep.bin", 30);
  const testing::FolderLink link(cache / L"link", outside);
  if (!link.made()) GTEST_SKIP() << "no folder links here";

  // Windows removes the link itself; Wine refuses, as it would remove the folder it leads to.
  run("clearCache");
  EXPECT_FALSE(fs::exists(cache / L"a.bin"));
  EXPECT_TRUE(fs::exists(outside / L"keep.bin"));
}

TEST_F(ShaderCache, ClearingIsRefusedWhileTheGameRuns) {
  writeFile(game / L"shadercache" / L"a.bin", 10);
  host.guard = "myr.exe is running (process 42): close it first.";

  EXPECT_EQ(json::write(run("clearCache")),
            R"({"id":1,"ok":false,"error":"Close the game first: it keeps the shader cache open."})");
  EXPECT_TRUE(fs::exists(game / L"shadercache" / L"a.bin"));
}

TEST_F(ShaderCache, InfoRunsBesideAnExclusiveOperationThatRefusesClearing) {
  writeFile(game / L"shadercache" / L"a.bin", 10);
  std::promise<void> release;
  host.operations.start(commands::Reply(-1, replies), true, [held = release.get_future().share()] {
    held.wait();
    return Result<json::Value>(json::Value::object());
  });

  EXPECT_EQ(run("cacheInfo").get("result").get("bytes").asNumber(-1), 10);
  EXPECT_EQ(json::write(run("clearCache")),
            R"({"id":2,"ok":false,"error":"Another file operation is still running."})");
  EXPECT_TRUE(fs::exists(game / L"shadercache" / L"a.bin"));
  release.set_value();
  EXPECT_EQ(replies->next().get("id").asNumber(0), -1);
}

}  // namespace
}  // namespace myr::maintenance
