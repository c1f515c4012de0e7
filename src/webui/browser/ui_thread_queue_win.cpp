#include "webui/browser/ui_thread_queue_win.h"

#include <windows.h>

#include <memory>

namespace myr::browser {
namespace {

constexpr UINT kRunWork = WM_APP + 1;

LRESULT CALLBACK queueWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunWork) {
    std::unique_ptr<std::function<void()>> work(reinterpret_cast<std::function<void()>*>(lParam));
    (*work)();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND createQueueWindow() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = queueWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"MyrUiThreadQueue";
  RegisterClassW(&windowClass);
  return CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         windowClass.hInstance, nullptr);
}

}  // namespace

void runOnUiThread(std::function<void()> work) {
  static const HWND queueWindow = createQueueWindow();
  auto owned = std::make_unique<std::function<void()>>(std::move(work));
  if (PostMessageW(queueWindow, kRunWork, 0, reinterpret_cast<LPARAM>(owned.get()))) {
    owned.release();
  }
}

}  // namespace myr::browser
