#pragma once

// Finding, starting and ending the browser. On Windows the browser runs in a job object that
// ends it with the launcher. Under Wine, Debian's Linux browser has no process handle: a
// wrapper script holds a loopback connection to the launcher (the lifeline) and ends the
// browser when it closes; the same connection closing tells the launcher that the browser ended.

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/error.h"
#include "foundation/files/win_handle.h"
#include "webui/browser/chromium/devtools_active_port.h"

namespace myr::browser::chromium {

struct BrowserInstallation {
  std::filesystem::path executable;  // as Windows names it (Z:\... for a Linux browser)
  std::string linuxPath;             // the Linux browser's own path; empty for a Windows browser
};

// Under Wine: Debian's browser; on Windows: Edge, then Chrome, from their install locations.
std::optional<BrowserInstallation> findBrowser();

// The version of the browser without starting it for a page ("156.0.8078.129"); empty when unknown.
std::string browserVersion(const BrowserInstallation& installation);

class SocketHandle {
 public:
  SocketHandle() = default;
  explicit SocketHandle(SOCKET socket) : socket_(socket) {}
  SocketHandle(SocketHandle&& other) noexcept : socket_(other.release()) {}
  SocketHandle& operator=(SocketHandle&& other) noexcept;
  ~SocketHandle() { reset(); }
  SOCKET get() const { return socket_; }
  SOCKET release();
  void reset();
  explicit operator bool() const { return socket_ != INVALID_SOCKET; }

 private:
  SOCKET socket_ = INVALID_SOCKET;
};

class WinsockUse {
 public:
  WinsockUse();
  ~WinsockUse();
  WinsockUse(const WinsockUse&) = delete;
  WinsockUse& operator=(const WinsockUse&) = delete;
  bool started() const { return started_; }

 private:
  bool started_ = false;
};

class BrowserProcess {
 public:
  // Starts the browser with its profile in profileFolder\Chromium and waits (on the calling
  // thread) until its debugging endpoint is known.
  static Result<std::unique_ptr<BrowserProcess>> start(const BrowserInstallation& installation,
                                                       const std::filesystem::path& profileFolder,
                                                       const std::string& extraArguments);
  ~BrowserProcess();

  const DevToolsEndpoint& endpoint() const { return endpoint_; }
  // True once the browser ended (checked without waiting).
  bool ended() const;
  // Ends the browser and whatever it started.
  void end();

 private:
  BrowserProcess() = default;
  Status startWindows(const BrowserInstallation& installation, const std::vector<std::string>& arguments);
  Status startLinux(const BrowserInstallation& installation, const std::vector<std::string>& arguments);
  // From the file the browser writes when it picked its port, else from the port itself.
  Result<DevToolsEndpoint> waitForEndpoint(const std::filesystem::path& portFile, int port);

  WinsockUse winsock_;
  WinHandle job_;
  WinHandle process_;
  SocketHandle lifeline_;
  DevToolsEndpoint endpoint_;
};

}  // namespace myr::browser::chromium
