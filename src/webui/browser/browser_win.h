#pragma once

// The launcher's view of a browser engine: what the page host needs from it and nothing more.
// Backends: a headless page on standard input/output, test doubles, and real engines.
// Every call and every event happens on the UI thread; asynchronous results arrive
// through the UI thread's message loop, never inside the call that started them.

#include <windows.h>
#include <objidl.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/files/win_text.h"

namespace myr::browser {

enum class HostAccess { Deny, DenyCors };

enum class ProcessFailure { BrowserProcessExited, RenderProcessExited, RenderProcessUnresponsive, Other };

struct EnvironmentOptions {
  std::wstring additionalBrowserArguments;
  std::wstring language;
  std::wstring targetCompatibleBrowserVersion;
  bool allowSingleSignOnUsingOSPrimaryAccount = false;
};

struct WebMessage {
  std::wstring source;
  std::optional<std::wstring> text;  // empty when the page posted something other than a string
};

struct NavigationStarting {
  std::wstring uri;
  bool cancel = false;
};

struct NewWindowRequest {
  std::wstring uri;
  bool handled = false;
};

// A response the launcher makes itself instead of reading a file of a mapped folder.
struct MemoryResource {
  std::string contentType;
  std::string body;
};
using MemoryResourceMaker = std::function<std::optional<MemoryResource>()>;

struct DownloadStarting {
  std::wstring uri;
  bool cancel = false;
};

// Settings of older engines lack the newer groups: each optional setter says whether it applied.
class ViewSettings {
 public:
  virtual ~ViewSettings() = default;
  virtual void setDevToolsEnabled(bool on) = 0;
  virtual void setDefaultContextMenusEnabled(bool on) = 0;
  virtual void setStatusBarEnabled(bool on) = 0;
  virtual void setZoomControlEnabled(bool on) = 0;
  virtual void setHostObjectsAllowed(bool on) = 0;
  virtual void setBuiltInErrorPageEnabled(bool on) = 0;
  virtual bool setBrowserAcceleratorKeysEnabled(bool on) = 0;
  virtual bool setAutofill(bool passwordAutosave, bool generalAutofill) = 0;
  virtual bool setPinchZoomEnabled(bool on) = 0;
  virtual bool setSwipeNavigationEnabled(bool on) = 0;
};

// The settings of a browser with no window, menus, bars, prompts or gestures of its own: there
// is nothing to switch off, so every setting holds.
class HeadlessViewSettings final : public ViewSettings {
 public:
  void setDevToolsEnabled(bool) override {}
  void setDefaultContextMenusEnabled(bool) override {}
  void setStatusBarEnabled(bool) override {}
  void setZoomControlEnabled(bool) override {}
  void setHostObjectsAllowed(bool) override {}
  void setBuiltInErrorPageEnabled(bool) override {}
  bool setBrowserAcceleratorKeysEnabled(bool) override { return true; }
  bool setAutofill(bool, bool) override { return true; }
  bool setPinchZoomEnabled(bool) override { return true; }
  bool setSwipeNavigationEnabled(bool) override { return true; }
};

class View {
 public:
  virtual ~View() = default;

  virtual ViewSettings& settings() = 0;

  // Optional capabilities of newer engines.
  virtual bool supportsHostMapping() const = 0;
  virtual void mapHostToFolder(const std::wstring& host, const std::wstring& folder, HostAccess access) = 0;
  virtual bool supportsDownloadEvents() const = 0;
  // A request for exactly this URL of a mapped host (query and fragment aside) gets what make
  // returns when it is asked, or "not found" when it returns nothing; the host's access rule
  // still applies. Engines that cannot answer from memory ignore it.
  virtual void serveFromMemory(const std::wstring& uri, MemoryResourceMaker make) = 0;

  virtual void navigate(const std::wstring& uri) = 0;
  virtual void reload() = 0;
  // The page receives the text as a parsed JSON value.
  virtual void postJson(const std::wstring& json) = 0;
  // The same from the UTF-8 the launcher writes: engines that speak UTF-8 themselves spare a
  // large reply two conversions.
  virtual void postJsonUtf8(std::string_view json) { postJson(toWide(json)); }
  // Writes the current content as PNG into the stream; done gets the result code.
  virtual void capturePng(IStream* stream, std::function<void(HRESULT)> done) = 0;

  virtual void onWebMessage(std::function<void(const WebMessage&)> handler) = 0;
  virtual void onNavigationStarting(std::function<void(NavigationStarting&)> handler) = 0;
  virtual void onNewWindowRequested(std::function<void(NewWindowRequest&)> handler) = 0;
  virtual void onDownloadStarting(std::function<void(DownloadStarting&)> handler) = 0;
  virtual void onProcessFailed(std::function<void(ProcessFailure)> handler) = 0;
  // A script of the page asked to close its window.
  virtual void onWindowCloseRequested(std::function<void()> handler) = 0;
  // Whoever used the page is gone for good and nobody is left to answer a question (the
  // headless page's input ended).
  virtual void onPageAbandoned(std::function<void()> handler) = 0;
};

// A view that keeps the handlers it is given; its engine raises the events through them.
class ViewEventHandlers : public View {
 public:
  void onWebMessage(std::function<void(const WebMessage&)> handler) override { webMessage_ = std::move(handler); }
  void onNavigationStarting(std::function<void(NavigationStarting&)> handler) override {
    navigationStarting_ = std::move(handler);
  }
  void onNewWindowRequested(std::function<void(NewWindowRequest&)> handler) override {
    newWindow_ = std::move(handler);
  }
  void onDownloadStarting(std::function<void(DownloadStarting&)> handler) override {
    downloadStarting_ = std::move(handler);
  }
  void onProcessFailed(std::function<void(ProcessFailure)> handler) override { processFailed_ = std::move(handler); }
  void onWindowCloseRequested(std::function<void()> handler) override { closeRequested_ = std::move(handler); }
  void onPageAbandoned(std::function<void()> handler) override { abandoned_ = std::move(handler); }

 protected:
  std::function<void(const WebMessage&)> webMessage_;
  std::function<void(NavigationStarting&)> navigationStarting_;
  std::function<void(NewWindowRequest&)> newWindow_;
  std::function<void(DownloadStarting&)> downloadStarting_;
  std::function<void(ProcessFailure)> processFailed_;
  std::function<void()> closeRequested_;
  std::function<void()> abandoned_;
};

class Controller {
 public:
  virtual ~Controller() = default;
  virtual std::shared_ptr<View> view() = 0;
  virtual void setBounds(const RECT& bounds) = 0;
  virtual void setVisible(bool visible) = 0;
  virtual void moveFocusProgrammatic() = 0;
  virtual void notifyParentWindowPositionChanged() = 0;
  // False when the engine has no default-background setting.
  virtual bool setDefaultBackgroundColor(COLORREF color) = 0;
  virtual void close() = 0;
};

using ControllerCreated = std::function<HRESULT(HRESULT result, std::shared_ptr<Controller> controller)>;

class Environment {
 public:
  virtual ~Environment() = default;
  virtual HRESULT createController(HWND parent, ControllerCreated done) = 0;
};

using EnvironmentCreated = std::function<HRESULT(HRESULT result, std::shared_ptr<Environment> environment)>;

class Engine {
 public:
  virtual ~Engine() = default;
  // Empty when no runtime is installed.
  virtual std::wstring installedVersion() = 0;
  // Fails at once only when the call itself cannot start; otherwise done reports the outcome.
  virtual HRESULT createEnvironment(const std::wstring& profileFolder, const EnvironmentOptions* options,
                                    EnvironmentCreated done) = 0;
};

// The result an engine that cannot be found reports: no runtime installed.
inline constexpr HRESULT kEngineNotFound = static_cast<HRESULT>(0x80070002);

}  // namespace myr::browser
