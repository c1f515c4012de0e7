#include "app/main_window_win.h"

#include <string>

#include "app/launcher_win.h"
#include "foundation/guard.h"

namespace myr::app {
namespace {

std::string messageName(UINT message) {
  char name[16];
  wsprintfA(name, "message 0x%04X", message);
  return name;
}

// A message handler that throws reports it and leaves the message to the system's default handling.
LRESULT handleGuarded(Launcher& launcher, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!runGuarded(launcher, messageName(message), [&] { result = launcher.handleMessage(message, wParam, lParam); })) {
    result = DefWindowProcW(window, message, wParam, lParam);
  }
  return result;
}

}  // namespace

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* launcher = static_cast<Launcher*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(launcher));
    launcher->attachWindow(window);
  }
  auto* launcher = reinterpret_cast<Launcher*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (launcher == nullptr) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return handleGuarded(*launcher, window, message, wParam, lParam);
}

HICON loadProgramIcon(int size) {
  return static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_SHARED));
}

}  // namespace myr::app
