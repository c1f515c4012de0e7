#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>

#include "foundation/files/win_handle.h"
#include "foundation/files/win_text.h"

namespace myr::settings {
namespace {

// The refusal of a write, or nothing when it succeeded.
std::string writeError(const std::filesystem::path& path, const std::vector<SettingEntry>& entries) {
  const Status written = writeSettings(path, entries);
  return written ? std::string() : written.error().message;
}

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() / L"myr-settings-test" / std::to_wstring(GetCurrentProcessId());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    path = settingsPath(folder);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  void put(const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
  std::string contents() const {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
  }

  std::filesystem::path folder;
  std::filesystem::path path;
};

TEST_F(SettingsFile, MissingFileReadsAsNoSettingsAndIsCreatedWithItsHeader) {
  const IniDocument missing = loadSettings(path);
  EXPECT_FALSE(missing.exists);
  EXPECT_TRUE(missing.error.empty());
  EXPECT_EQ(missing.get("Launcher", "Theme", "system"), "system");

  ASSERT_EQ(writeError(path, {{"Launcher", "Theme", "dark"}}), "");
  EXPECT_EQ(contents(),
            "; Myrrowen (PC port): settings for myr.exe, written by myr_launcher.exe.\r\n"
            "; myr.exe reads this file when it starts. An environment variable of the same setting wins.\r\n"
            "\r\n[Launcher]\r\nTheme=dark\r\n");
  EXPECT_EQ(loadSettings(path).get("Launcher", "Theme", "system"), "dark");
  EXPECT_EQ(path.filename(), L"myr.ini");
}

TEST_F(SettingsFile, ReadsUpToOneMebibyte) {
  const std::string body = "[Display]\nScale=2\n";
  put(body + std::string(1048576 - body.size(), ';'));
  EXPECT_EQ(loadSettings(path).get("Display", "Scale", "-"), "2");

  put(body + std::string(1048577 - body.size(), ';'));
  const IniDocument tooLarge = loadSettings(path);
  EXPECT_TRUE(tooLarge.exists);
  EXPECT_EQ(tooLarge.error, toUtf8(path.native()) + ": larger than 1048576 bytes");
  EXPECT_FALSE(tooLarge.contains("Display"));
  const std::string error = writeError(path, {{"Display", "Scale", "3"}});
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(error, tooLarge.error);
  EXPECT_EQ(contents().size(), 1048577u);
}

TEST_F(SettingsFile, WriteThatWouldOutgrowTheReadLimitIsRefused) {
  // Bare line feeds double when every line gets CR LF.
  const std::string lines = "[Display]\n" + std::string(600000, '\n');
  put(lines);
  const std::string error = writeError(path, {{"Display", "Scale", "3"}});
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(error, toUtf8(path.native()) + ": larger than 1048576 bytes");
  EXPECT_EQ(contents(), lines);
}

TEST_F(SettingsFile, RefusedEntryLeavesTheFileUntouched) {
  put("[Display]\nScale=2\n");
  const std::string error = writeError(path, {{"Display", "Scale", "3"}, {"Display", "Scale", "auto "}});
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(error, "not allowed in myr.ini: Display.Scale=auto ");
  EXPECT_EQ(contents(), "[Display]\nScale=2\n");
}

// Only an absent file reads as no settings and is written afresh; a path that exists but cannot be
// read, or that the system will not even query, is an error for both.
TEST_F(SettingsFile, PathThatCannotBeReadIsAnErrorForReadingAndWriting) {
  const std::filesystem::path paths[] = {path, settingsPath(folder / L"a?b")};
  std::filesystem::create_directory(path);
  for (const std::filesystem::path& unreadable : paths) {
    const IniDocument document = loadSettings(unreadable);
    EXPECT_TRUE(document.exists) << unreadable;
    EXPECT_TRUE(document.error.starts_with(toUtf8(unreadable.native()) + ": ")) << document.error;
    const std::string error = writeError(unreadable, {{"Display", "Scale", "3"}});
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error, document.error);
  }
  EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST_F(SettingsFile, ReadsWhileTheGameHoldsItOpenForWriting) {
  put("[Display]\nScale=2\n");
  const WinHandle held(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);
  const IniDocument document = loadSettings(path);
  EXPECT_TRUE(document.error.empty()) << document.error;
  EXPECT_EQ(document.get("Display", "Scale", "-"), "2");
}

TEST_F(SettingsFile, FailedReplaceKeepsTheOldFileAndLeavesNoTemporary) {
  put("[Display]\nScale=2\n");
  // Held without delete sharing, the file cannot be replaced.
  const WinHandle held(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);
  const std::string error = writeError(path, {{"Display", "Scale", "3"}});
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(error.starts_with(toUtf8(path.native()) + ": ")) << error;
  EXPECT_EQ(contents(), "[Display]\nScale=2\n");
  EXPECT_FALSE(std::filesystem::exists(path.native() + L".tmp"));
}

}  // namespace
}  // namespace myr::settings
