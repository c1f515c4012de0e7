#pragma once

// The private host names the page and the game art are served from.

namespace myr::bridge {

inline constexpr wchar_t kUiHost[] = L"launcher.myr.example";
inline constexpr wchar_t kArtHost[] = L"art.myr.example";
// Messages and navigations are trusted only when they come from here (case-sensitive prefix).
inline constexpr wchar_t kUiOrigin[] = L"https://launcher.myr.example/";
inline constexpr wchar_t kStartUrl[] = L"https://launcher.myr.example/index.html";
// Answered from memory rather than from launcher-ui.
inline constexpr wchar_t kFaviconUrl[] = L"https://launcher.myr.example/favicon.ico";
inline constexpr wchar_t kGameFigureUrl[] = L"https://launcher.myr.example/game-figure.png";

}  // namespace myr::bridge
