#pragma once

// Tests that need the host under Wine (its links, its shell): Wine shows host programs and names.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "foundation/files/win_handle.h"
#include "foundation/files/win_text.h"

namespace myr::testing {

// The host's name of a path; nothing when not under Wine.
inline std::optional<std::string> hostPathOf(const std::filesystem::path& path) {
  using UnixNameFunction = char*(__cdecl*)(const wchar_t*);
  // Present only under Wine.
  const auto convert = reinterpret_cast<UnixNameFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (convert == nullptr) {
    return std::nullopt;
  }
  char* name = convert(path.c_str());
  std::optional<std::string> text;
  if (name != nullptr) {
    text = name;
  }
  HeapFree(GetProcessHeap(), 0, name);
  return text;
}

// Starts a host program (a "Z:\..." command line). Wine gives no waitable handle for it, so its
// effect is awaited: false when it could not start or `done` still fails after `patience`.
inline bool runOnWineHost(const std::string& commandLine, const std::function<bool()>& done,
                          std::chrono::milliseconds patience) {
  std::wstring command = toWide(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  const WinHandle processHandle(process.hProcess);
  const WinHandle threadHandle(process.hThread);
  for (auto waited = std::chrono::milliseconds(0); waited < patience && !done();
       waited += std::chrono::milliseconds(20)) {
    Sleep(20);
  }
  return done();
}

}  // namespace myr::testing
