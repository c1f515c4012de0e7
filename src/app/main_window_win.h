#pragma once

#include <windows.h>

namespace myr::app {

inline constexpr wchar_t kWindowClassName[] = L"MyrLauncherWindow";
inline constexpr wchar_t kWindowTitle[] = L"Myrrowen";

// WM_COPYDATA dwData of a second start, plain or with "--play".
inline constexpr ULONG_PTR kHandOverPlain = 0x4D595200;
inline constexpr ULONG_PTR kHandOverPlay = 0x4D595201;

inline constexpr UINT_PTR kLogTimer = 1;
inline constexpr UINT_PTR kCaptureTimer = 2;
inline constexpr UINT kCaptureDelayMs = 700;

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The page's answers to "closeRequested".
void clearClosePending();
void quitWithoutAsking();
void startCaptureTimerInCaptureMode();

void applyTheme();
void setWindowIcons(HWND window);

}  // namespace myr::app
