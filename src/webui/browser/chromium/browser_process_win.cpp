#include "webui/browser/chromium/browser_process_win.h"

#include <ws2tcpip.h>
#include <shlobj.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "foundation/files/win_text.h"
#include "webui/browser/chromium/browser_command_line.h"
#include "webui/browser/chromium/devtools_connection_win.h"

namespace myr::browser::chromium {
namespace {

constexpr wchar_t kLinuxShell[] = L"Z:\\bin\\bash";
constexpr char kDebianBrowser[] = "/usr/lib/chromium/chromium";
constexpr std::chrono::milliseconds kPollInterval{20};
constexpr std::chrono::seconds kStartTimeout{30};
constexpr std::chrono::seconds kVersionTimeout{5};
constexpr long kLifelineTimeoutSeconds = 10;

bool runsUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool isFile(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
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

std::filesystem::path knownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::filesystem::path result;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path))) {
    result = path;
  }
  CoTaskMemFree(path);
  return result;
}

std::optional<BrowserInstallation> findWindowsBrowser() {
  const std::filesystem::path edge = std::filesystem::path(L"Microsoft") / L"Edge" / L"Application" / L"msedge.exe";
  const std::filesystem::path chrome = std::filesystem::path(L"Google") / L"Chrome" / L"Application" / L"chrome.exe";
  for (const std::filesystem::path& program : {edge, chrome}) {
    for (const KNOWNFOLDERID* folder : {&FOLDERID_ProgramFilesX86, &FOLDERID_ProgramFiles, &FOLDERID_LocalAppData}) {
      const std::filesystem::path base = knownFolder(*folder);
      if (!base.empty() && isFile(base / program)) {
        return BrowserInstallation{base / program, {}};
      }
    }
  }
  return std::nullopt;
}

std::string fileVersion(const std::filesystem::path& executable) {
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

std::string readSmallFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
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

std::string linuxBrowserVersion(const BrowserInstallation& installation) {
  wchar_t temporary[MAX_PATH + 1];
  if (GetTempPathW(MAX_PATH + 1, temporary) == 0) {
    return {};
  }
  const std::filesystem::path output =
      std::filesystem::path(temporary) / (L"myr_launcher_browser_version_" + std::to_wstring(GetCurrentProcessId()));
  DeleteFileW(output.c_str());
  const std::string linuxOutput = linuxPathOf(output);
  if (linuxOutput.empty() ||
      !startLinuxProgram({"-c", "\"$1\" --version >\"$2.part\" 2>/dev/null; mv \"$2.part\" \"$2\"", "version",
                          installation.linuxPath, linuxOutput})) {
    return {};
  }
  const auto deadline = std::chrono::steady_clock::now() + kVersionTimeout;
  while (!isFile(output) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(kPollInterval);
  }
  const std::string banner = readSmallFile(output);
  DeleteFileW(output.c_str());
  return versionIn(banner);
}

}  // namespace

SocketHandle& SocketHandle::operator=(SocketHandle&& other) noexcept {
  if (this != &other) {
    reset();
    socket_ = other.release();
  }
  return *this;
}

WinsockUse::WinsockUse() {
  WSADATA data{};
  started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockUse::~WinsockUse() {
  if (started_) {
    WSACleanup();
  }
}

SOCKET SocketHandle::release() { return std::exchange(socket_, INVALID_SOCKET); }

void SocketHandle::reset() {
  if (socket_ != INVALID_SOCKET) {
    closesocket(std::exchange(socket_, INVALID_SOCKET));
  }
}

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

std::string browserVersion(const BrowserInstallation& installation) {
  return installation.linuxPath.empty() ? fileVersion(installation.executable) : linuxBrowserVersion(installation);
}

Result<std::unique_ptr<BrowserProcess>> BrowserProcess::start(const BrowserInstallation& installation,
                                                              const std::filesystem::path& profileFolder,
                                                              const std::string& extraArguments) {
  const std::filesystem::path dataFolder = profileFolder / L"Chromium";
  std::error_code error;
  std::filesystem::create_directories(dataFolder, error);
  if (error) {
    return startError(pathError(dataFolder, static_cast<unsigned long>(error.value())));
  }
  const std::filesystem::path portFile = dataFolder / L"DevToolsActivePort";
  // A file left by an earlier browser names a port nobody listens on.
  DeleteFileW(portFile.c_str());

  std::unique_ptr<BrowserProcess> browser(new BrowserProcess());
  const bool linux = !installation.linuxPath.empty();
  BrowserLaunch launch{linux ? linuxPathOf(dataFolder) : toUtf8(dataFolder.wstring()), extraArguments};
  const std::vector<std::string> arguments = browserArguments(launch);
  Status started =
      linux ? browser->startLinux(installation, arguments) : browser->startWindows(installation, arguments);
  if (!started) {
    return started.error();
  }
  Result<DevToolsEndpoint> endpoint = browser->waitForEndpoint(portFile, requestedDebuggingPort(arguments));
  if (!endpoint) {
    browser->end();
    return endpoint.error();
  }
  browser->endpoint_ = *endpoint;
  return browser;
}

BrowserProcess::~BrowserProcess() { end(); }

Status BrowserProcess::startWindows(const BrowserInstallation& installation,
                                    const std::vector<std::string>& arguments) {
  job_.reset(CreateJobObjectW(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!job_ || !SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    return startError("its job object: " + systemErrorText(GetLastError()), GetLastError());
  }
  std::wstring commandLine =
      toWide(quoteWindowsArgument(toUtf8(installation.executable.wstring())) + " " + windowsCommandLine(arguments));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(installation.executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process)) {
    return startError(pathError(installation.executable, GetLastError()), GetLastError());
  }
  process_.reset(process.hProcess);
  const WinHandle thread(process.hThread);
  // In the job before it runs, so nothing it starts escapes.
  if (!AssignProcessToJobObject(job_.get(), process_.get())) {
    const DWORD code = GetLastError();
    TerminateProcess(process_.get(), 1);
    return startError("its job object: " + systemErrorText(code), code);
  }
  ResumeThread(thread.get());
  return {};
}

Status BrowserProcess::startLinux(const BrowserInstallation& installation, const std::vector<std::string>& arguments) {
  if (!winsock_.started()) {
    return startError("Windows Sockets are not available");
  }
  SocketHandle listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int addressSize = sizeof address;
  if (!listener || bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener.get(), 1) != 0 ||
      getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &addressSize) != 0) {
    return startError("its lifeline: " + systemErrorText(WSAGetLastError()), WSAGetLastError());
  }
  std::vector<std::string> wrapper{"-c", std::string(lifelineScript()), "lifeline",
                                   std::to_string(ntohs(address.sin_port)), installation.linuxPath};
  wrapper.insert(wrapper.end(), arguments.begin(), arguments.end());
  if (Status started = startLinuxProgram(std::move(wrapper)); !started) {
    return started;
  }
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(listener.get(), &readable);
  timeval timeout{kLifelineTimeoutSeconds, 0};
  if (select(0, &readable, nullptr, nullptr, &timeout) != 1) {
    return startError("its wrapper did not call back");
  }
  lifeline_ = SocketHandle(accept(listener.get(), nullptr, nullptr));
  if (!lifeline_) {
    return startError("its lifeline: " + systemErrorText(WSAGetLastError()), WSAGetLastError());
  }
  return {};
}

Result<DevToolsEndpoint> BrowserProcess::waitForEndpoint(const std::filesystem::path& portFile, int port) {
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  while (std::chrono::steady_clock::now() < deadline) {
    std::optional<DevToolsEndpoint> endpoint;
    if (port == 0) {
      endpoint = parseDevToolsActivePort(readSmallFile(portFile));
    } else if (const std::optional<std::string> version = readVersionJson(port)) {
      endpoint = parseVersionEndpoint(*version, port);
    }
    if (endpoint) {
      return *endpoint;
    }
    if (ended()) {
      return startError("it ended at once");
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  return startError("it did not open its debugging port in time");
}

bool BrowserProcess::ended() const {
  if (process_) {
    return WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0;
  }
  if (!lifeline_) {
    return true;
  }
  // The wrapper never writes: the lifeline becomes readable only when it closes.
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(lifeline_.get(), &readable);
  timeval now{0, 0};
  return select(0, &readable, nullptr, nullptr, &now) != 0;
}

void BrowserProcess::end() {
  if (job_) {
    TerminateJobObject(job_.get(), 1);
  }
  lifeline_.reset();
}

}  // namespace myr::browser::chromium
