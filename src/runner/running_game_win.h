#pragma once

#include <windows.h>

#include <filesystem>

namespace myr::runner {

// GameFolder\myr.exe.
std::filesystem::path gamePath(const std::filesystem::path& gameFolder);

// The id of a running myr.exe of this game folder other than the tracked one (0: none), or 0.
DWORD findRunningGame(const std::filesystem::path& gameFolder, DWORD trackedProcessId);

}  // namespace myr::runner
