// What a launcher that cannot go on leaves in logs\launcher.log: the exception that stopped its
// start, or the one that ended the process from a thread.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/launcher_process.h"
#include "support/temp_folder.h"

namespace myr {
namespace {

using namespace std::chrono_literals;

std::string launcherLogOf(const std::filesystem::path& gameFolder) {
  std::ifstream file(gameFolder / L"logs" / L"launcher.log", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

struct Case {
  const wchar_t* failure;
  const char* words;
};

TEST(LastWords, EveryFailureThatEndsTheLauncherIsInItsLog) {
  const Case cases[] = {
      {L"constructor", "Internal error in the launcher: no engine for this test"},
      {L"thread", "an exception nobody caught: a thread nobody guards"},
  };
  for (const Case& c : cases) {
    const testing::TempFolder game;
    std::filesystem::create_directories(game / L"launcher-ui");
    std::ofstream(game / L"launcher-ui" / L"index.html") << "<!doctype html><title>test page</title>";
    std::filesystem::copy_file(MYR_FAILING_LAUNCHER, game / L"myr_launcher.exe");
    {
      testing::LauncherProcess launcher(game / L"myr_launcher.exe", {{L"MYR_TEST_FAILURE", c.failure}});
      const std::optional<DWORD> code = launcher.waitForExit(30s);
      ASSERT_TRUE(code);
      EXPECT_NE(*code, 0u);
    }
    const std::string log = launcherLogOf(game.path());
    EXPECT_NE(log.find(c.words), std::string::npos) << log;
  }
}

}  // namespace
}  // namespace myr
