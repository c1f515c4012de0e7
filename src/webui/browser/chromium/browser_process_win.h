#pragma once

// Finding, starting and ending the browser. On Windows the browser runs in a job object that
// ends it with the launcher, and inherits its pipe. Under Wine, Debian's Linux browser has no
// process handle: a wrapper script gives it FIFOs for its pipe and holds a third one, the
// lifeline, whose other end the launcher holds; it ends the browser once the lifeline closes,
// which happens however the launcher ends.

#include <windows.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/error.h"
#include "foundation/files/win_handle.h"
#include "webui/browser/chromium/devtools_pipe_win.h"

namespace myr::browser::chromium {

struct BrowserInstallation {
  std::filesystem::path executable;  // as Windows names it (Z:\... for a Linux browser)
  std::string linuxPath;             // the Linux browser's own path; empty for a Windows browser
};

// Under Wine: Debian's browser; on Windows: Edge, then Chrome, from their install locations.
std::optional<BrowserInstallation> findBrowser();

// A Windows browser's version from its file ("130.0.2849.39"). A Linux browser's is not asked of
// a program run for it: it tells its version over the pipe once started; empty here.
std::string fileVersion(const BrowserInstallation& installation);

class BrowserProcess {
 public:
  struct Started;

  // Starts the browser with its profile in profileFolder\Chromium, and hands back the
  // launcher's ends of its pipe.
  static Result<Started> start(const BrowserInstallation& installation, const std::filesystem::path& profileFolder,
                               const std::string& extraArguments);
  ~BrowserProcess();
  BrowserProcess(const BrowserProcess&) = delete;
  BrowserProcess& operator=(const BrowserProcess&) = delete;

  // Ends the browser and whatever it started.
  void end();

 private:
  BrowserProcess() = default;
  Result<DevToolsPipe> startWindows(const BrowserInstallation& installation, const std::vector<std::string>& arguments);
  Result<DevToolsPipe> startLinux(const BrowserInstallation& installation, const std::vector<std::string>& arguments,
                                  const std::filesystem::path& pipeFolder);

  WinHandle job_;
  WinHandle lifeline_;
};

struct BrowserProcess::Started {
  std::unique_ptr<BrowserProcess> process;
  DevToolsPipe pipe;
};

}  // namespace myr::browser::chromium
