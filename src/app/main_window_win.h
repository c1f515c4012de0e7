#pragma once

#include <windows.h>

#include <string>

namespace myr::app {

inline constexpr wchar_t kWindowClassName[] = L"MyrLauncherWindow";
// The window's title and the title of every dialog.
inline constexpr wchar_t kGameTitle[] = L"Myrrowen";

// WM_COPYDATA dwData of a second start, plain or with "--play".
inline constexpr ULONG_PTR kHandOverPlain = 0x4D595200;
inline constexpr ULONG_PTR kHandOverPlay = 0x4D595201;

// Timer 1 belongs to the game runner (its log).
inline constexpr UINT_PTR kCaptureTimer = 2;
inline constexpr UINT kCaptureDelayMs = 700;

// The window procedure of every main window: it reaches the Launcher given as the creation
// parameter of CreateWindowExW, and lets no exception cross into Windows.
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Icon resource 1 at a size, shared (never destroyed).
HICON loadProgramIcon(int size);
// The icon file that icon resource 1 was made from, as the program carries it (resource 2,
// RCDATA); empty when it is missing.
std::string programIconFile();

}  // namespace myr::app
