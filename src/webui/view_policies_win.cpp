// What the view may do: stay on the launcher's page, open nothing, download nothing,
// and come back when its browser fails.

#include <shlwapi.h>

#include <filesystem>
#include <string_view>

#include "foundation/files/win_text.h"
#include "webui/bridge/hosts.h"
#include "webui/dropped_file_url.h"
#include "webui/web_host_win.h"

namespace myr::webui {
namespace {

constexpr int kMaxBrowserRestarts = 3;
constexpr DWORD kLongestDroppedPath = 1040;

std::optional<std::wstring> localPathOfFileUrl(const std::wstring& url) {
  wchar_t path[kLongestDroppedPath];
  DWORD length = kLongestDroppedPath;
  const std::wstring letters = toWide(unescapeUtf8Letters(toUtf8(url)));
  if (FAILED(PathCreateFromUrlW(letters.c_str(), path, &length, 0))) {
    return std::nullopt;
  }
  return std::wstring(path);
}

std::wstring lowerCaseExtension(const std::wstring& path) {
  std::wstring extension = std::filesystem::path(path).extension().wstring();
  for (wchar_t& c : extension) {
    if (c >= L'A' && c <= L'Z') {
      c = static_cast<wchar_t>(c - L'A' + L'a');
    }
  }
  return extension;
}

}  // namespace

void WebHost::onFileDropped(const std::wstring& path) {
  if (lowerCaseExtension(path) == L".iso") {
    bridge_.sendEvent("isoDropped", owner_.imageDropped(path));
    return;
  }
  json::Value refusal;
  refusal.set("accepted", false).set("path", toUtf8(path)).set("error", "Drop a .iso disc image here.");
  bridge_.sendEvent("isoDropped", std::move(refusal));
}

void WebHost::onNavigationStarting(browser::NavigationStarting& navigation) {
  if (std::wstring_view(navigation.uri).starts_with(bridge::kUiOrigin)) {
    return;
  }
  navigation.cancel = true;
  if (std::wstring_view(navigation.uri).starts_with(L"file:///")) {
    if (const auto path = localPathOfFileUrl(navigation.uri)) {
      onFileDropped(*path);
    }
  }
}

void WebHost::onNewWindowRequested(browser::NewWindowRequest& request) { request.handled = true; }

void WebHost::onDownloadStarting(browser::DownloadStarting& download) { download.cancel = true; }

void WebHost::onProcessFailed(browser::ProcessFailure failure) {
  switch (failure) {
    case browser::ProcessFailure::BrowserProcessExited:
      releaseBrowser();
      if (++restartCount_ <= kMaxBrowserRestarts) {
        pageStarted_ = false;
        startUi();
      }
      return;
    case browser::ProcessFailure::RenderProcessExited:
      if (view_) {
        view_->reload();
      }
      return;
    // A page that hangs again and again is given up like a browser that keeps failing.
    case browser::ProcessFailure::RenderProcessUnresponsive:
      if (view_ && ++restartCount_ <= kMaxBrowserRestarts) {
        view_->reload();
      }
      return;
    case browser::ProcessFailure::Other:
      return;
  }
}

}  // namespace myr::webui
