#include "webui/browser/chromium/page_window_win.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

#include "foundation/files/win_text.h"
#include "foundation/guard.h"
#include "foundation/unique_resource_win.h"
#include "webui/browser/chromium/key_names.h"

namespace myr::browser::chromium {
namespace {

constexpr wchar_t kClassName[] = L"MyrLauncherPage";
// The page scrolls by this many of its pixels per wheel notch, as browsers do.
constexpr double kPixelsPerNotch = 100.0;
constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMs = 1000;

// Modifier bits of the DevTools protocol.
int modifiers() {
  const auto down = [](int key) { return (GetKeyState(key) & 0x8000) != 0; };
  return (down(VK_MENU) ? 1 : 0) | (down(VK_CONTROL) ? 2 : 0) | (down(VK_LWIN) || down(VK_RWIN) ? 4 : 0) |
         (down(VK_SHIFT) ? 8 : 0);
}

// Button bits of the DevTools protocol.
int buttonBit(const char* button) {
  const std::string_view name(button);
  return name == "left" ? 1 : name == "right" ? 2 : name == "middle" ? 4 : 0;
}

void registerClass(WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kClassName;
  RegisterClassExW(&windowClass);  // fails harmlessly when a page was created before
}

// The text a key types with the current keyboard state, left untouched for dead keys.
std::wstring typedText(WPARAM virtualKey, LPARAM flags) {
  BYTE state[256];
  wchar_t text[8];
  if (!GetKeyboardState(state)) {
    return {};
  }
  constexpr UINT kKeepKeyboardState = 0x4;
  const int count = ToUnicode(static_cast<UINT>(virtualKey), (flags >> 16) & 0xFF, state, text, 8, kKeepKeyboardState);
  return count > 0 ? std::wstring(text, static_cast<std::size_t>(count)) : std::wstring();
}

}  // namespace

PageWindow::PageWindow(HWND parent, Handlers handlers, LogSink& log) : handlers_(std::move(handlers)), log_(log) {
  registerClass(&windowProc);
  window_ = CreateWindowExW(WS_EX_ACCEPTFILES, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                            parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetTimer(window_, kTickTimer, kTickMs, nullptr);
  }
}

PageWindow::~PageWindow() {
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

void PageWindow::setBounds(const RECT& bounds) {
  MoveWindow(window_, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, TRUE);
}

void PageWindow::setVisible(bool visible) { ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE); }

void PageWindow::focus() { SetFocus(window_); }

void PageWindow::setBackground(COLORREF colour) {
  background_ = colour;
  InvalidateRect(window_, nullptr, FALSE);
}

std::unique_ptr<FrameBitmap> PageWindow::show(std::unique_ptr<FrameBitmap> frame) {
  std::swap(frame_, frame);
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  return frame;
}

double PageWindow::scale() const { return GetDpiForWindow(window_) / 96.0; }

// A message whose handling threw is left to the system's default handling.
LRESULT CALLBACK PageWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* page = reinterpret_cast<PageWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  LRESULT result = 0;
  if (page == nullptr ||
      !runGuarded(page->log_, "the page's window", [&] { result = page->handle(message, wParam, lParam); })) {
    result = DefWindowProcW(window, message, wParam, lParam);
  }
  return result;
}

LRESULT PageWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEMOVE:
      mouse("mouseMoved", lParam, buttonsDown_ & 1 ? "left" : "none", 0);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
      const bool twice = message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK || message == WM_MBUTTONDBLCLK;
      const char* button = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK   ? "left"
                           : message == WM_RBUTTONDOWN || message == WM_RBUTTONDBLCLK ? "right"
                                                                                      : "middle";
      clickCount_ = twice ? 2 : 1;
      SetFocus(window_);
      SetCapture(window_);
      buttonsDown_ |= buttonBit(button);
      mouse("mousePressed", lParam, button, clickCount_);
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      const char* button = message == WM_LBUTTONUP ? "left" : message == WM_RBUTTONUP ? "right" : "middle";
      buttonsDown_ &= ~buttonBit(button);
      if (buttonsDown_ == 0) {
        ReleaseCapture();
      }
      mouse("mouseReleased", lParam, button, clickCount_);
      return 0;
    }
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      wheel(wParam, lParam, message == WM_MOUSEHWHEEL);
      return 0;
    case WM_KEYDOWN:
      key("rawKeyDown", wParam, lParam);
      return 0;
    case WM_KEYUP:
      key("keyUp", wParam, lParam);
      return 0;
    // Alt combinations still reach the system, which closes the window on Alt+F4.
    case WM_SYSKEYDOWN:
      key("rawKeyDown", wParam, lParam);
      break;
    case WM_SYSKEYUP:
      key("keyUp", wParam, lParam);
      break;
    case WM_CHAR:
      character(static_cast<wchar_t>(wParam));
      return 0;
    case WM_DROPFILES:
      dropped(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_TIMER:
      if (wParam == kTickTimer && handlers_.tick) {
        handlers_.tick();
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

void PageWindow::paint() {
  PAINTSTRUCT paint{};
  const HDC dc = BeginPaint(window_, &paint);
  RECT client{};
  GetClientRect(window_, &client);
  LONG width = 0;
  LONG height = 0;
  if (frame_) {
    width = static_cast<LONG>(frame_->width());
    height = static_cast<LONG>(frame_->height());
    const UniqueResource<HDC, &::DeleteDC> source(CreateCompatibleDC(dc));
    const HGDIOBJ before = SelectObject(source.get(), frame_->handle());
    BitBlt(dc, 0, 0, width, height, source.get(), 0, 0, SRCCOPY);
    SelectObject(source.get(), before);
  }
  // While the window grows, the newest frame may be smaller than it: the rest shows the background.
  const UniqueResource<HBRUSH, &::DeleteObject> brush(CreateSolidBrush(background_));
  const RECT right{width, 0, client.right, client.bottom};
  const RECT below{0, height, std::min(width, client.right), client.bottom};
  FillRect(dc, &right, brush.get());
  FillRect(dc, &below, brush.get());
  EndPaint(window_, &paint);
}

json::Value PageWindow::pointAt(LPARAM position) const {
  const double pixels = scale();
  json::Value point;
  point.set("x", GET_X_LPARAM(position) / pixels).set("y", GET_Y_LPARAM(position) / pixels);
  return point;
}

void PageWindow::mouse(const char* type, LPARAM position, const char* button, int clickCount) {
  json::Value params = pointAt(position);
  params.set("type", type).set("button", button).set("buttons", buttonsDown_).set("clickCount", clickCount);
  params.set("modifiers", modifiers());
  handlers_.input("Input.dispatchMouseEvent", std::move(params));
}

void PageWindow::wheel(WPARAM wParam, LPARAM screenPosition, bool horizontal) {
  POINT point{GET_X_LPARAM(screenPosition), GET_Y_LPARAM(screenPosition)};
  ScreenToClient(window_, &point);
  json::Value params = pointAt(MAKELPARAM(point.x, point.y));
  const double notches = GET_WHEEL_DELTA_WPARAM(wParam) / static_cast<double>(WHEEL_DELTA);
  // Windows counts a wheel turned away from the player as positive; the page scrolls up then.
  params.set("type", "mouseWheel")
      .set("deltaX", horizontal ? notches * kPixelsPerNotch : 0.0)
      .set("deltaY", horizontal ? 0.0 : -notches * kPixelsPerNotch)
      .set("modifiers", modifiers());
  handlers_.input("Input.dispatchMouseEvent", std::move(params));
}

void PageWindow::key(const char* type, WPARAM virtualKey, LPARAM flags) {
  const unsigned scanCode = (flags >> 16) & 0xFF;
  const bool extended = (flags & (1 << 24)) != 0;
  std::string name(namedKey(static_cast<unsigned>(virtualKey)));
  if (name.empty()) {
    name = toUtf8(typedText(virtualKey, flags));
  }
  json::Value params;
  params.set("type", type)
      .set("windowsVirtualKeyCode", static_cast<int>(virtualKey))
      .set("nativeVirtualKeyCode", static_cast<int>(virtualKey))
      .set("code", std::string(physicalKeyCode(scanCode, extended)))
      .set("key", name)
      .set("autoRepeat", (flags & (1 << 30)) != 0)
      .set("modifiers", modifiers());
  handlers_.input("Input.dispatchKeyEvent", std::move(params));
}

// Letters arrive one UTF-16 unit at a time; control characters were handled as keys.
void PageWindow::character(wchar_t unit) {
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    highSurrogate_ = unit;
    return;
  }
  std::wstring text;
  if (unit >= 0xDC00 && unit <= 0xDFFF) {
    if (highSurrogate_ == 0) {
      return;
    }
    text = {highSurrogate_, unit};
  } else if (unit >= 0x20 || unit == L'\r') {
    text = unit;
  }
  highSurrogate_ = 0;
  if (text.empty()) {
    return;
  }
  const std::string letters = toUtf8(text);
  json::Value params;
  params.set("type", "char").set("text", letters).set("unmodifiedText", letters).set("key", letters);
  params.set("modifiers", modifiers());
  handlers_.input("Input.dispatchKeyEvent", std::move(params));
}

// A view follows the first of several dropped files, as a browser opens one document.
void PageWindow::dropped(HDROP drop) {
  const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
  std::wstring path(length, L'\0');
  if (length > 0 && DragQueryFileW(drop, 0, path.data(), length + 1) == length) {
    DragFinish(drop);
    handlers_.fileDropped(path);
    return;
  }
  DragFinish(drop);
}

}  // namespace myr::browser::chromium
