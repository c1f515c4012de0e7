#pragma once

// A browser engine for tests: every outcome can be chosen, every call is recorded, every event
// can be raised. Asynchronous results arrive through the UI thread's message loop, as with a real
// engine; pumpMessages() runs them.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "webui/browser/browser_win.h"
#include "webui/browser/ui_thread_queue_win.h"

namespace myr::testing {

struct FakeBrowserOptions {
  HRESULT createEnvironmentCall = S_OK;  // what createEnvironment itself returns
  HRESULT environmentResult = S_OK;      // what its completion reports
  HRESULT controllerResult = S_OK;
  bool hostMapping = true;
  bool downloadEvents = true;
  bool newerSettings = true;  // accelerator keys, autofill, pinch zoom, swipe
};

class FakeView final : public browser::ViewEventHandlers, public browser::ViewSettings {
 public:
  explicit FakeView(const FakeBrowserOptions& options) : options_(options) {}

  // What the launcher did to the view.
  std::map<std::string, bool> settingsApplied;
  std::map<std::wstring, std::pair<std::wstring, browser::HostAccess>> hostMappings;
  std::map<std::wstring, browser::MemoryResourceMaker> memoryResources;
  std::vector<std::wstring> navigations;
  std::vector<std::string> posted;
  int reloads = 0;
  bool throwOnPost = false;  // postJson throws, as a failing engine might
  IStream* captureStream = nullptr;
  std::function<void(HRESULT)> captureDone;

  // Events, as the page or the engine would raise them.
  void raiseWebMessage(const std::wstring& source, std::optional<std::wstring> text);
  bool raiseNavigation(const std::wstring& uri);  // true when the launcher cancelled it
  bool raiseNewWindow();                          // true when the launcher handled it
  bool raiseDownload();                           // true when the launcher cancelled it
  void raiseProcessFailed(browser::ProcessFailure failure);
  void raiseCloseRequested() { closeRequested_(); }
  void raisePageAbandoned() { abandoned_(); }
  bool hasDownloadHandler() const { return static_cast<bool>(downloadStarting_); }

  browser::ViewSettings& settings() override { return *this; }
  bool supportsHostMapping() const override { return options_.hostMapping; }
  void mapHostToFolder(const std::wstring& host, const std::wstring& folder, browser::HostAccess access) override {
    hostMappings[host] = {folder, access};
  }
  void serveFromMemory(const std::wstring& uri, browser::MemoryResourceMaker make) override {
    memoryResources[uri] = std::move(make);
  }
  bool supportsDownloadEvents() const override { return options_.downloadEvents; }
  void navigate(const std::wstring& uri) override { navigations.push_back(uri); }
  void reload() override { ++reloads; }
  void postJson(const std::wstring& json) override;
  void capturePng(IStream* stream, std::function<void(HRESULT)> done) override {
    captureStream = stream;
    captureDone = std::move(done);
  }

  void setDevToolsEnabled(bool on) override { settingsApplied["devTools"] = on; }
  void setDefaultContextMenusEnabled(bool on) override { settingsApplied["contextMenus"] = on; }
  void setStatusBarEnabled(bool on) override { settingsApplied["statusBar"] = on; }
  void setZoomControlEnabled(bool on) override { settingsApplied["zoom"] = on; }
  void setHostObjectsAllowed(bool on) override { settingsApplied["hostObjects"] = on; }
  void setBuiltInErrorPageEnabled(bool on) override { settingsApplied["errorPage"] = on; }
  bool setBrowserAcceleratorKeysEnabled(bool on) override { return newer("acceleratorKeys", on); }
  bool setAutofill(bool passwords, bool general) override {
    return newer("passwordAutosave", passwords) && newer("generalAutofill", general);
  }
  bool setPinchZoomEnabled(bool on) override { return newer("pinchZoom", on); }
  bool setSwipeNavigationEnabled(bool on) override { return newer("swipe", on); }

 private:
  bool newer(const char* name, bool on) {
    if (options_.newerSettings) {
      settingsApplied[name] = on;
    }
    return options_.newerSettings;
  }

  FakeBrowserOptions options_;
};

class FakeController final : public browser::Controller {
 public:
  explicit FakeController(const FakeBrowserOptions& options) : view_(std::make_shared<FakeView>(options)) {}
  std::shared_ptr<browser::View> view() override { return view_; }
  void setBounds(const RECT& bounds) override { this->bounds = bounds; }
  void setVisible(bool visible) override { this->visible = visible; }
  void moveFocusProgrammatic() override { ++focusMoves; }
  void notifyParentWindowPositionChanged() override { ++parentMoves; }
  bool setDefaultBackgroundColor(COLORREF colour) override {
    background = colour;
    return true;
  }
  void close() override { closed = true; }

  std::shared_ptr<FakeView> fakeView() const { return view_; }
  RECT bounds{};
  bool visible = false;
  int focusMoves = 0;
  int parentMoves = 0;
  std::optional<COLORREF> background;
  bool closed = false;

 private:
  std::shared_ptr<FakeView> view_;
};

class FakeEngine final : public browser::Engine {
 public:
  FakeEngine(std::shared_ptr<browser::UiThreadQueue> queue, FakeBrowserOptions options)
      : queue_(std::move(queue)), options_(options) {}

  std::wstring installedVersion() override { return L"fake"; }
  HRESULT createEnvironment(const std::wstring& profileFolder, const browser::EnvironmentOptions* options,
                            browser::EnvironmentCreated done) override;

  // Every call's profile folder and options, and every controller made.
  std::vector<std::wstring> profileFolders;
  std::vector<std::optional<browser::EnvironmentOptions>> optionsSeen;
  std::vector<std::shared_ptr<FakeController>> controllers;

  std::shared_ptr<browser::UiThreadQueue> queue_;
  FakeBrowserOptions options_;
};

// Runs what is queued for the UI thread until nothing is left.
void pumpMessages();

}  // namespace myr::testing
