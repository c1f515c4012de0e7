#include "saves/save_folders.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>

#include "foundation/files/win_handle.h"

namespace myr::saves {
namespace {

void putFile(const std::filesystem::path& file, std::int64_t unixSeconds) {
  std::ofstream(file) << "state of " << unixSeconds;
  const std::uint64_t ticks = static_cast<std::uint64_t>(unixSeconds) * 10000000ULL + 116444736000000000ULL;
  const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  const WinHandle handle(CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(handle) << file;
  ASSERT_TRUE(SetFileTime(handle.get(), nullptr, nullptr, &time)) << file;
}

TEST(SaveFolders, ListsStatesNewestFirstAndOnlyStates) {
  const auto game =
      std::filesystem::temp_directory_path() / L"myr-states-test" / std::to_wstring(GetCurrentProcessId());
  std::filesystem::remove_all(game);
  const auto states = game / L"states";
  // Names differ by more than case: the file system would take x.State for the folder x.state.
  std::filesystem::create_directories(states / L"x.state");
  const std::pair<const wchar_t*, std::int64_t> files[] = {
      {L"old.state", 1000}, {L"new.state", 3000}, {L"middle one.state", 2000}, {L"y.State", 4000}, {L".y.state", 5000}};
  for (const auto& [name, seconds] : files) {
    putFile(states / name, seconds);
  }
  const std::vector<StateFile> listed = listStates(game);
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed[0].name, "new.state");
  EXPECT_EQ(listed[0].modifiedMs, 3000000);
  EXPECT_EQ(listed[0].bytes, 13u);
  EXPECT_EQ(listed[1].name, "middle one.state");
  EXPECT_EQ(listed[2].name, "old.state");
  EXPECT_TRUE(listStates(game / L"missing").empty());
  EXPECT_EQ(saveDataFolder(game), game / L"savedata" / L"QXUS-40404");
  std::filesystem::remove_all(game);
}

}  // namespace
}  // namespace myr::saves
