#include "foundation/files/win_handle.h"

#include <gtest/gtest.h>

#include <utility>

namespace myr {
namespace {

bool isOpen(HANDLE handle) {
  DWORD flags = 0;
  return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(WinHandle, ClosesItsHandleOnceWhereverItMoves) {
  const HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(raw, nullptr);
  {
    WinHandle first(raw);
    WinHandle second(std::move(first));
    WinHandle third;
    third = std::move(second);
    EXPECT_FALSE(first);
    EXPECT_FALSE(second);
    EXPECT_EQ(third.get(), raw);
    EXPECT_TRUE(isOpen(raw));
  }
  EXPECT_FALSE(isOpen(raw));
}

TEST(WinHandle, ResetClosesTheOldHandleAndReleaseGivesItUp) {
  const HANDLE kept = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const HANDLE replaced = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  WinHandle owner(replaced);
  owner.reset(kept);
  EXPECT_FALSE(isOpen(replaced));
  EXPECT_EQ(owner.release(), kept);
  EXPECT_FALSE(owner);
  EXPECT_TRUE(isOpen(kept));
  CloseHandle(kept);
}

TEST(WinHandle, BothFailureValuesMeanNoHandle) {
  EXPECT_FALSE(WinHandle(nullptr));
  EXPECT_FALSE(WinHandle(INVALID_HANDLE_VALUE));
  WIN32_FIND_DATAW entry{};
  const FindHandle search(
      FindFirstFileExW(L"C:\\no such folder\\*", FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0));
  EXPECT_FALSE(search);
}

}  // namespace
}  // namespace myr
