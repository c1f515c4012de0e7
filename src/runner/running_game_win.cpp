#include "runner/running_game_win.h"

#include <tlhelp32.h>

#include <string>

#include "foundation/files/win_handle.h"

namespace myr::runner {
namespace {

constexpr DWORD kLongestImagePath = 1040;

std::wstring lowerCase(const std::wstring& text) {
  if (text.empty()) return text;
  std::wstring lower(text.size(), L'\0');
  const int length = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, text.c_str(), static_cast<int>(text.size()),
                                   lower.data(), static_cast<int>(lower.size()), nullptr, nullptr, 0);
  lower.resize(static_cast<std::size_t>(length));
  return lower;
}

std::wstring comparablePath(const std::filesystem::path& path) { return lowerCase(path.lexically_normal().native()); }

bool isGameExecutableName(const wchar_t* name) {
  return CompareStringOrdinal(name, -1, L"myr.exe", -1, TRUE) == CSTR_EQUAL;
}

// Empty when the process cannot be opened or queried.
std::wstring imagePathOf(DWORD processId) {
  const WinHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return {};
  std::wstring path(kLongestImagePath, L'\0');
  DWORD length = kLongestImagePath;
  if (!QueryFullProcessImageNameW(process.get(), 0, path.data(), &length)) return {};
  path.resize(length);
  return path;
}

}  // namespace

std::filesystem::path gamePath(const std::filesystem::path& gameFolder) { return gameFolder / L"myr.exe"; }

DWORD findRunningGame(const std::filesystem::path& gameFolder, DWORD trackedProcessId) {
  const std::wstring expected = comparablePath(gamePath(gameFolder));
  const WinHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return 0;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == trackedProcessId || !isGameExecutableName(entry.szExeFile)) continue;
    const std::wstring image = imagePathOf(entry.th32ProcessID);
    if (!image.empty() && comparablePath(image) == expected) return entry.th32ProcessID;
  }
  return 0;
}

}  // namespace myr::runner
