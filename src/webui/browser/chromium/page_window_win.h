#pragma once

// The page's place in the launcher's window: a child window over the view's bounds that shows
// the browser's frames, and turns the player's mouse, keys and dropped files into what the page
// receives. The launcher's window stays the one window the player sees.

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/json/json.h"
#include "foundation/log_sink.h"
#include "webui/browser/chromium/page_frame_win.h"

namespace myr::browser::chromium {

class PageWindow {
 public:
  struct Handlers {
    // An input event of the DevTools protocol: the method and its parameters.
    std::function<void(std::string_view method, json::Value params)> input;
    // The first file dropped on the page, with its full path.
    std::function<void(const std::wstring& path)> fileDropped;
    // Every second while the window lives.
    std::function<void()> tick;
  };

  // What a handler throws goes to log, which must outlive the window.
  PageWindow(HWND parent, Handlers handlers, LogSink& log);
  ~PageWindow();
  PageWindow(const PageWindow&) = delete;
  PageWindow& operator=(const PageWindow&) = delete;

  HWND handle() const { return window_; }
  bool created() const { return window_ != nullptr; }
  void setBounds(const RECT& bounds);
  void setVisible(bool visible);
  void focus();
  void setBackground(COLORREF colour);
  // Paints the frame at once, without waiting for the message loop; gives back the one it replaces.
  std::unique_ptr<FrameBitmap> show(std::unique_ptr<FrameBitmap> frame);
  // Device pixels per page pixel.
  double scale() const;

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  void paint();
  void mouse(const char* type, LPARAM position, const char* button, int clickCount);
  void wheel(WPARAM wParam, LPARAM screenPosition, bool horizontal);
  void key(const char* type, WPARAM virtualKey, LPARAM flags);
  void character(wchar_t unit);
  void dropped(HDROP drop);
  json::Value pointAt(LPARAM position) const;

  Handlers handlers_;
  LogSink& log_;
  HWND window_ = nullptr;
  COLORREF background_ = RGB(255, 255, 255);
  std::unique_ptr<FrameBitmap> frame_;
  int buttonsDown_ = 0;
  int clickCount_ = 1;
  wchar_t highSurrogate_ = 0;
};

}  // namespace myr::browser::chromium
