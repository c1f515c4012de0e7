#include "webui/browser/ui_thread_queue_win.h"

#include <memory>

#include "foundation/guard.h"

namespace myr::browser {
namespace {

// Its own message-only window, so that no other window's messages can collide with it.
constexpr UINT kRunWork = WM_APP + 1;
constexpr wchar_t kQueueClass[] = L"MyrUiThreadQueue";

using Work = std::function<void()>;

LRESULT CALLBACK queueWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto* queue = reinterpret_cast<const UiThreadQueue*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message != kRunWork || queue == nullptr) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  queue->run(lParam);
  return 0;
}

HWND createQueueWindow() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = queueWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kQueueClass;
  RegisterClassW(&windowClass);
  return CreateWindowExW(0, kQueueClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
}

}  // namespace

UiThreadQueue::UiThreadQueue(LogSink& log) : log_(log), window_(createQueueWindow()) {
  SetWindowLongPtrW(window_.load(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void UiThreadQueue::run(LPARAM work) const {
  const std::unique_ptr<Work> owned(reinterpret_cast<Work*>(work));
  runGuarded(log_, "queued work", *owned);
}

UiThreadQueue::~UiThreadQueue() { close(); }

bool UiThreadQueue::post(std::function<void()> work) {
  const HWND window = window_.load();
  if (window == nullptr) {
    return false;
  }
  auto owned = std::make_unique<Work>(std::move(work));
  if (!PostMessageW(window, kRunWork, 0, reinterpret_cast<LPARAM>(owned.get()))) {
    return false;
  }
  owned.release();
  return true;
}

void UiThreadQueue::close() {
  const HWND window = window_.exchange(nullptr);
  if (window == nullptr) {
    return;
  }
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  MSG queued{};
  while (PeekMessageW(&queued, window, kRunWork, kRunWork, PM_REMOVE)) {
    delete reinterpret_cast<Work*>(queued.lParam);
  }
  DestroyWindow(window);
}

}  // namespace myr::browser
