#pragma once

// The game as the launcher runs it: "play" and "stop", the log on its way to the page, and how
// the last run ended.

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/commands/command.h"
#include "foundation/error.h"
#include "foundation/json/json.h"
#include "runner/exit_record.h"
#include "runner/game_process_win.h"
#include "runner/log_queue.h"

namespace myr::runner {

// Posted by the output pump to the main window: wParam is the game's exit code.
inline constexpr UINT WM_APP_GAME_EXITED = WM_APP + 2;
// The main window's timer that sends queued log lines while a game runs.
inline constexpr UINT_PTR kLogTimer = 1;
inline constexpr UINT kLogTimerMs = 200;

// What the runner needs of the launcher that owns it.
class RunnerHost {
 public:
  virtual ~RunnerHost() = default;
  virtual HWND window() const = 0;
  virtual bool fileOperationBusy() const = 0;
  // Why the saves are not fit for the game to run on (a restore left half done), or empty.
  virtual std::string savesRefusal() = 0;
  // {"ok", "error", "discFolder", "extract": {"running", "error"}}: whether the game's files are ready.
  virtual json::Value discState() = 0;
  // UI thread.
  virtual void sendEvent(std::string name, json::Value data) = 0;
  // The launcher's own log.
  virtual void note(std::string_view message) = 0;
};

class GameRunner {
 public:
  GameRunner(std::filesystem::path gameFolder, RunnerHost& host);
  GameRunner(const GameRunner&) = delete;
  GameRunner& operator=(const GameRunner&) = delete;

  // "play" and "stop".
  commands::CommandList commands();

  // Starts the game with its log and the main window's log timer; the process id, or why not.
  Result<DWORD> start(bool resume, const std::string& stateName);
  // Why save files may not be touched now (the game may be writing a card), or empty.
  std::string runningGuard() const;
  bool running() const { return game_.tracked(); }

  // Timer 1: one "log" event of the oldest queued lines.
  void flushLog();
  // WM_APP_GAME_EXITED: sends every queued line, stops tracking the run, adds it to the play
  // time and keeps its record as lastRun, which it returns; stoppedByLauncher tells whether the
  // player stopped it here.
  const json::Value& finishRun(std::uint32_t exitCode, bool& stoppedByLauncher);

  LogQueue& log() { return *log_; }
  GameProcess& game() { return game_; }
  const json::Value& lastRun() const { return lastRun_; }
  // {"runs", "seconds", "lastPlayed"} of every run of this game folder.
  json::Value playTime() const;
  void setLastRun(json::Value record) { lastRun_ = std::move(record); }

 private:
  void play(const json::Value& args, commands::Reply reply);
  void stop(commands::Reply reply);
  void recordPlayTime(const RunEnd& run);

  std::filesystem::path gameFolder_;
  RunnerHost& host_;
  // Shared with the output pump, which may outlive this object when the launcher ends first.
  std::shared_ptr<LogQueue> log_ = std::make_shared<LogQueue>();
  GameProcess game_;
  json::Value lastRun_;
};

}  // namespace myr::runner
