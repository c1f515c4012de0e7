#include "webui/browser/chromium/browser_process_win.h"

#include <shlobj.h>

#include <vector>

#include "foundation/environment_win.h"
#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"
#include "foundation/inherited_handle_list_win.h"
#include "webui/browser/chromium/browser_command_line.h"

namespace myr::browser::chromium {
namespace {

constexpr wchar_t kLinuxShell[] = L"Z:\\bin\\bash";
constexpr char kDebianBrowser[] = "/usr/lib/chromium/chromium";

bool runsUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool isFile(const std::filesystem::path& path) {
  const FileStatus status = fileStatus(path);
  return status.exists && !status.isDirectory;
}

std::filesystem::path windowsPathOfLinuxPath(const std::string& linuxPath) {
  std::wstring path = L"Z:" + toWide(linuxPath);
  for (wchar_t& c : path) {
    if (c == L'/') {
      c = L'\\';
    }
  }
  return path;
}

// Wine's own conversion; the Linux browser needs the Linux names of its profile and files.
std::string linuxPathOf(const std::filesystem::path& path) {
  using Convert = char*(CDECL*)(const wchar_t*);
  const auto convert = reinterpret_cast<Convert>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (convert == nullptr) {
    return {};
  }
  char* converted = convert(path.c_str());
  if (converted == nullptr) {
    return {};
  }
  std::string result(converted);
  HeapFree(GetProcessHeap(), 0, converted);
  return result;
}

std::optional<BrowserInstallation> findWindowsBrowser() {
  const std::filesystem::path edge = std::filesystem::path(L"Microsoft") / L"Edge" / L"Application" / L"msedge.exe";
  const std::filesystem::path chrome = std::filesystem::path(L"Google") / L"Chrome" / L"Application" / L"chrome.exe";
  for (const std::filesystem::path& program : {edge, chrome}) {
    for (const KNOWNFOLDERID* folder : {&FOLDERID_ProgramFilesX86, &FOLDERID_ProgramFiles, &FOLDERID_LocalAppData}) {
      const std::filesystem::path base = knownFolderPath(*folder);
      if (!base.empty() && isFile(base / program)) {
        return BrowserInstallation{base / program, {}};
      }
    }
  }
  return std::nullopt;
}

std::string windowsFileVersion(const std::filesystem::path& executable) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(executable.c_str(), &ignored);
  std::vector<std::byte> data(size);
  VS_FIXEDFILEINFO* info = nullptr;
  UINT infoSize = 0;
  if (size == 0 || !GetFileVersionInfoW(executable.c_str(), 0, size, data.data()) ||
      !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) || infoSize < sizeof *info) {
    return {};
  }
  return std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(info->dwFileVersionLS)) + "." + std::to_string(LOWORD(info->dwFileVersionLS));
}

Error startError(const std::string& what, unsigned long code = 0) {
  return Error{"The browser could not be started: " + what, code};
}

// A Linux program started from Wine: it gets no process handle, so nothing to keep.
Status startLinuxProgram(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "bash");
  std::wstring commandLine = toWide(windowsCommandLine(arguments));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(kLinuxShell, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return startError(pathError(kLinuxShell, GetLastError()), GetLastError());
  }
  WinHandle(process.hProcess).reset();
  WinHandle(process.hThread).reset();
  return {};
}

}  // namespace

std::optional<BrowserInstallation> findBrowser() {
  if (runsUnderWine()) {
    const std::filesystem::path browser = windowsPathOfLinuxPath(kDebianBrowser);
    if (isFile(browser) && isFile(kLinuxShell)) {
      return BrowserInstallation{browser, kDebianBrowser};
    }
    return std::nullopt;
  }
  return findWindowsBrowser();
}

std::string fileVersion(const BrowserInstallation& installation) {
  return installation.linuxPath.empty() ? windowsFileVersion(installation.executable) : std::string();
}

Result<BrowserProcess::Started> BrowserProcess::start(const BrowserInstallation& installation,
                                                      const std::filesystem::path& profileFolder,
                                                      const std::string& extraArguments) {
  const std::filesystem::path dataFolder = profileFolder / L"Chromium";
  std::error_code error;
  std::filesystem::create_directories(dataFolder, error);
  if (error) {
    return startError(pathError(dataFolder, static_cast<unsigned long>(error.value())));
  }
  std::unique_ptr<BrowserProcess> browser(new BrowserProcess());
  const bool linux = !installation.linuxPath.empty();
  const BrowserLaunch launch{linux ? linuxPathOf(dataFolder) : toUtf8(dataFolder.wstring()), extraArguments};
  const std::vector<std::string> arguments = browserArguments(launch);
  Result<DevToolsPipe> pipe = linux ? browser->startLinux(installation, arguments, newFifoFolder(profileFolder))
                                    : browser->startWindows(installation, arguments);
  if (!pipe) {
    return pipe.error();
  }
  return Started{std::move(browser), std::move(*pipe)};
}

BrowserProcess::~BrowserProcess() { end(); }

Result<DevToolsPipe> BrowserProcess::startWindows(const BrowserInstallation& installation,
                                                  const std::vector<std::string>& arguments) {
  job_.reset(CreateJobObjectW(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!job_ || !SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    return startError("its job object: " + systemErrorText(GetLastError()), GetLastError());
  }
  Result<InheritedPipe> pipe = makeInheritedPipe();
  if (!pipe) {
    return pipe.error();
  }
  const HANDLE commands = pipe->browserCommands.get();
  const HANDLE replies = pipe->browserReplies.get();
  const InheritedHandleList inherited({commands, replies});
  if (inherited.get() == nullptr) {
    return startError("its pipe: " + systemErrorText(GetLastError()), GetLastError());
  }
  // Its C runtime finds the pipe as descriptors 3 and 4.
  std::vector<std::byte> descriptors =
      crtPipeDescriptors(reinterpret_cast<std::uintptr_t>(commands), reinterpret_cast<std::uintptr_t>(replies));
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.cbReserved2 = static_cast<WORD>(descriptors.size());
  startup.StartupInfo.lpReserved2 = reinterpret_cast<LPBYTE>(descriptors.data());
  startup.lpAttributeList = inherited.get();
  std::wstring commandLine =
      toWide(quoteWindowsArgument(toUtf8(installation.executable.wstring())) + " " + windowsCommandLine(arguments));
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(installation.executable.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                      CREATE_SUSPENDED | CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                      &startup.StartupInfo, &process)) {
    return startError(pathError(installation.executable, GetLastError()), GetLastError());
  }
  const WinHandle processHandle(process.hProcess);
  const WinHandle thread(process.hThread);
  // In the job before it runs, so nothing it starts escapes.
  if (!AssignProcessToJobObject(job_.get(), processHandle.get())) {
    const DWORD code = GetLastError();
    TerminateProcess(processHandle.get(), 1);
    return startError("its job object: " + systemErrorText(code), code);
  }
  ResumeThread(thread.get());
  return std::move(pipe->launcher);
}

Result<DevToolsPipe> BrowserProcess::startLinux(const BrowserInstallation& installation,
                                                const std::vector<std::string>& arguments,
                                                const std::filesystem::path& pipeFolder) {
  const std::string linuxPipeFolder = linuxPathOf(pipeFolder);
  if (linuxPipeFolder.empty()) {
    return startError("no Linux name for " + toUtf8(pipeFolder.native()));
  }
  std::vector<std::string> wrapper{"-c", std::string(pipeWrapperScript()), "devtools", linuxPipeFolder,
                                   installation.linuxPath};
  wrapper.insert(wrapper.end(), arguments.begin(), arguments.end());
  if (Status started = startLinuxProgram(std::move(wrapper)); !started) {
    return started.error();
  }
  return openWrapperFifos(pipeFolder, lifeline_);
}

void BrowserProcess::end() {
  if (job_) {
    TerminateJobObject(job_.get(), 1);
  }
  lifeline_.reset();
}

}  // namespace myr::browser::chromium
