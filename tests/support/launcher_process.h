#pragma once

// Runs the real launcher in a folder of its own, talking to it as its headless page does.

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "foundation/files/win_handle.h"

namespace myr::testing {

// The launcher under test, as built into the game folder.
std::filesystem::path launcherExecutable();

// A temporary game folder holding a copy of the launcher and, unless told otherwise, a page.
class GameFolderFixture {
 public:
  explicit GameFolderFixture(bool withPage = true);
  ~GameFolderFixture();
  GameFolderFixture(const GameFolderFixture&) = delete;
  GameFolderFixture& operator=(const GameFolderFixture&) = delete;

  const std::filesystem::path& folder() const { return folder_; }
  // Puts the stand-in game in the folder as myr.exe; the launcher's environment tells it what to do.
  void addGame() const;
  std::filesystem::path launcher() const { return folder_ / L"myr_launcher.exe"; }

 private:
  std::filesystem::path folder_;
};

class LauncherProcess {
 public:
  // Starts the exe with these environment variables added (or replaced) and these arguments.
  LauncherProcess(const std::filesystem::path& exe, const std::map<std::wstring, std::wstring>& environment,
                  const std::wstring& arguments = L"");
  ~LauncherProcess();
  LauncherProcess(const LauncherProcess&) = delete;
  LauncherProcess& operator=(const LauncherProcess&) = delete;

  void writeLine(const std::string& line);
  void closeInput();
  // The next line on standard output, or nothing when none came in time or output ended.
  std::optional<std::string> readLine(std::chrono::milliseconds timeout = std::chrono::seconds(20));
  // Everything on standard error so far.
  std::string errorText();
  // The exit code, or nothing when the process is still running after the timeout.
  std::optional<DWORD> waitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(20));
  DWORD processId() const { return processId_; }

 private:
  struct Stream {
    std::mutex mutex;
    std::condition_variable changed;
    std::string pending;
    std::deque<std::string> lines;
    bool ended = false;
  };

  static void pump(HANDLE pipe, HANDLE process, Stream& stream);
  static void appendText(Stream& stream, std::string_view text);

  WinHandle process_;
  WinHandle input_;
  DWORD processId_ = 0;
  Stream output_;
  Stream error_;
  std::thread outputReader_;
  std::thread errorReader_;
};

}  // namespace myr::testing
