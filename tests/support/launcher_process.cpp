#include "support/launcher_process.h"

#include <gtest/gtest.h>

#include <fstream>

#include "foundation/files/win_text.h"
#include "foundation/unique_resource_win.h"

namespace myr::testing {
namespace {

std::filesystem::path uniqueTemporaryFolder() {
  static int counter = 0;
  const auto base = std::filesystem::temp_directory_path() / L"myr-launcher-tests";
  for (;;) {
    auto candidate = base / (std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
    if (std::filesystem::create_directories(candidate)) {
      return candidate;
    }
  }
}

std::vector<wchar_t> environmentBlock(const std::map<std::wstring, std::wstring>& overrides) {
  std::map<std::wstring, std::wstring> variables;
  const UniqueResource<wchar_t*, &::FreeEnvironmentStringsW> current(GetEnvironmentStringsW());
  for (const wchar_t* entry = current.get(); *entry != L'\0'; entry += wcslen(entry) + 1) {
    const std::wstring text(entry);
    const size_t equals = text.find(L'=', 1);
    if (equals != std::wstring::npos) {
      variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
  }
  for (const auto& [name, value] : overrides) {
    variables[name] = value;
  }
  std::vector<wchar_t> block;
  for (const auto& [name, value] : variables) {
    const std::wstring entry = name + L"=" + value;
    block.insert(block.end(), entry.begin(), entry.end());
    block.push_back(L'\0');
  }
  block.push_back(L'\0');
  return block;
}

void makeInheritablePipe(WinHandle& readEnd, WinHandle& writeEnd, bool childReads) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  ASSERT_TRUE(CreatePipe(&read, &write, &inherit, 0));
  readEnd.reset(read);
  writeEnd.reset(write);
  // Only the child's end may be inherited.
  SetHandleInformation(childReads ? write : read, HANDLE_FLAG_INHERIT, 0);
}

}  // namespace

std::filesystem::path launcherExecutable() { return MYR_TEST_LAUNCHER; }

GameFolderFixture::GameFolderFixture(bool withPage) : folder_(uniqueTemporaryFolder()) {
  std::filesystem::copy_file(launcherExecutable(), launcher());
  if (withPage) {
    std::filesystem::create_directories(folder_ / L"launcher-ui");
    std::ofstream(folder_ / L"launcher-ui" / L"index.html") << "<!doctype html><title>test page</title>";
  }
}

void GameFolderFixture::addGame() const { std::filesystem::copy_file(MYR_TEST_STANDIN, folder_ / L"myr.exe"); }

GameFolderFixture::~GameFolderFixture() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

LauncherProcess::LauncherProcess(const std::filesystem::path& exe,
                                 const std::map<std::wstring, std::wstring>& environment,
                                 const std::wstring& arguments) {
  WinHandle childInput, childOutput, childError, outputRead, errorRead;
  makeInheritablePipe(childInput, input_, true);
  makeInheritablePipe(outputRead, childOutput, false);
  makeInheritablePipe(errorRead, childError, false);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = childInput.get();
  startup.hStdOutput = childOutput.get();
  startup.hStdError = childError.get();
  std::wstring commandLine = L"\"" + exe.wstring() + L"\" " + arguments;
  std::vector<wchar_t> block = environmentBlock(environment);
  PROCESS_INFORMATION info{};
  const BOOL started =
      CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT, block.data(),
                     exe.parent_path().c_str(), &startup, &info);
  EXPECT_TRUE(started) << "could not start " << exe.string();
  if (!started) {
    return;
  }
  WinHandle thread(info.hThread);
  process_.reset(info.hProcess);
  processId_ = info.dwProcessId;
  outputReader_ = std::thread(pump, outputRead.release(), process_.get(), std::ref(output_));
  errorReader_ = std::thread(pump, errorRead.release(), process_.get(), std::ref(error_));
}

LauncherProcess::~LauncherProcess() {
  closeInput();
  if (process_ && WaitForSingleObject(process_.get(), 20000) != WAIT_OBJECT_0) {
    TerminateProcess(process_.get(), 99);
    ADD_FAILURE() << "the launcher did not end";
  }
  if (outputReader_.joinable()) {
    outputReader_.join();
  }
  if (errorReader_.joinable()) {
    errorReader_.join();
  }
}

void LauncherProcess::pump(HANDLE pipe, HANDLE process, Stream& stream) {
  const WinHandle owned(pipe);
  // Polls instead of blocking: a program the launcher starts (Wine starts its services that way) may
  // inherit the pipe and keep it open, so the stream ends when the launcher has ended and it is drained.
  bool processEnded = false;
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
      break;
    }
    if (available == 0) {
      if (processEnded) {
        break;
      }
      processEnded = WaitForSingleObject(process, 10) == WAIT_OBJECT_0;
      continue;
    }
    std::string buffer(available, '\0');
    DWORD got = 0;
    if (!ReadFile(pipe, buffer.data(), available, &got, nullptr)) {
      break;
    }
    appendText(stream, std::string_view(buffer).substr(0, got));
  }
  const std::lock_guard lock(stream.mutex);
  stream.ended = true;
  stream.changed.notify_all();
}

void LauncherProcess::appendText(Stream& stream, std::string_view text) {
  const std::lock_guard lock(stream.mutex);
  stream.pending.append(text);
  for (size_t end = stream.pending.find('\n'); end != std::string::npos; end = stream.pending.find('\n')) {
    std::string line = stream.pending.substr(0, end);
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    stream.lines.push_back(std::move(line));
    stream.pending.erase(0, end + 1);
  }
  stream.changed.notify_all();
}

void LauncherProcess::writeLine(const std::string& line) {
  const std::string text = line + "\n";
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(input_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
}

void LauncherProcess::closeInput() { input_.reset(); }

std::optional<std::string> LauncherProcess::readLine(std::chrono::milliseconds timeout) {
  std::unique_lock lock(output_.mutex);
  output_.changed.wait_for(lock, timeout, [&] { return !output_.lines.empty() || output_.ended; });
  if (output_.lines.empty()) {
    return std::nullopt;
  }
  std::string line = std::move(output_.lines.front());
  output_.lines.pop_front();
  return line;
}

std::string LauncherProcess::errorText() {
  const std::lock_guard lock(error_.mutex);
  std::string text;
  for (const std::string& line : error_.lines) {
    text += line + "\n";
  }
  return text + error_.pending;
}

std::optional<DWORD> LauncherProcess::waitForExit(std::chrono::milliseconds timeout) {
  if (!process_ || WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  // What the launcher wrote before it ended is read to the end before anyone looks at it.
  for (Stream* stream : {&output_, &error_}) {
    std::unique_lock lock(stream->mutex);
    stream->changed.wait_for(lock, std::chrono::seconds(5), [stream] { return stream->ended; });
  }
  return code;
}

}  // namespace myr::testing
