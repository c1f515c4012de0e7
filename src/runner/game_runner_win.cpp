#include "runner/game_runner_win.h"

#include <chrono>
#include <utility>

#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"

#include "runner/exit_record.h"
#include "runner/game_start_win.h"
#include "runner/log_event.h"
#include "runner/play_refusal.h"
#include "runner/play_time.h"
#include "runner/running_game_win.h"

namespace myr::runner {
namespace {

std::filesystem::path runsLogPath(const std::filesystem::path& gameFolder) {
  return gameFolder / L"logs" / toWide(kRunsLogName);
}

std::uint64_t unixMillisecondsNow() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace

GameRunner::GameRunner(std::filesystem::path gameFolder, RunnerHost& host)
    : gameFolder_(std::move(gameFolder)), host_(host) {}

commands::CommandList GameRunner::commands() {
  return {
      {"play", [this](const json::Value& args, commands::Reply reply) { play(args, std::move(reply)); }},
      {"stop", [this](const json::Value&, commands::Reply reply) { stop(std::move(reply)); }},
  };
}

Result<DWORD> GameRunner::start(bool resume, const std::string& stateName) {
  if (std::string refusal = host_.savesRefusal(); !refusal.empty()) {
    return Error{std::move(refusal)};
  }
  const StartRequest request{gameFolder_, game_.tracked(), host_.fileOperationBusy(), resume, stateName};
  const HWND window = host_.window();
  Result<GameProcess> started = startGame(request, *log_, [window, keepAlive = log_](unsigned long exitCode) {
    PostMessageW(window, WM_APP_GAME_EXITED, static_cast<WPARAM>(exitCode), 0);
  });
  if (!started) {
    return started.error();
  }
  game_ = std::move(started).value();
  SetTimer(window, kLogTimer, kLogTimerMs, nullptr);
  return game_.processId();
}

void GameRunner::play(const json::Value& args, commands::Reply reply) {
  if (const std::string refusal = playRefusal(host_.discState()); !refusal.empty()) {
    reply.error(refusal);
    return;
  }
  const bool resume = args.isObject() && args.get("resume").isBool() && args.get("resume").asBool();
  const std::string stateName = args.isObject() ? args.get("state").asString() : std::string();
  const Result<DWORD> started = start(resume, stateName);
  if (!started) {
    reply.error(started.error().message);
    return;
  }
  json::Value pid;
  pid.set("pid", static_cast<double>(*started));
  reply.result(pid);
  host_.sendEvent("gameStarted", pid);
  ShowWindow(host_.window(), SW_MINIMIZE);
}

void GameRunner::stop(commands::Reply reply) {
  if (const Status stopped = game_.stop(); !stopped) {
    reply.error(stopped.error().message);
    return;
  }
  reply.result(json::Value::object());
}

std::string GameRunner::runningGuard() const {
  if (game_.tracked()) {
    return "Close the game first: it may be writing the memory card.";
  }
  if (const DWORD other = findRunningGame(gameFolder_, 0); other != 0) {
    return "myr.exe is running (process " + std::to_string(other) + "): close it first.";
  }
  return {};
}

void GameRunner::flushLog() {
  if (std::optional<json::Value> event = takeLogEvent(*log_)) {
    host_.sendEvent("log", std::move(*event));
  }
}

const json::Value& GameRunner::finishRun(std::uint32_t exitCode, bool& stoppedByLauncher) {
  KillTimer(host_.window(), kLogTimer);
  stoppedByLauncher = game_.stoppedByLauncher();
  RunEnd run = game_.end(exitCode, log_->tail());
  // Every line of the run reaches the page before its end does.
  while (std::optional<json::Value> event = takeLogEvent(*log_)) {
    host_.sendEvent("log", std::move(*event));
  }
  lastRun_ = buildExitRecord(run);
  recordPlayTime(run);
  return lastRun_;
}

void GameRunner::recordPlayTime(const RunEnd& run) {
  const RunLine line{unixMillisecondsNow(), run.elapsedMs / 1000, run.exitCode};
  if (const Status added = appendToFile(runsLogPath(gameFolder_), runLine(line)); !added) {
    host_.note("The play time of this run could not be kept: " + added.error().message);
  }
}

json::Value GameRunner::playTime() const {
  const std::filesystem::path path = runsLogPath(gameFolder_);
  if (isMissingPath(path)) return playTimeJson({});
  const Result<std::string> text = readFileLimited(path, kRunsLogLimitBytes);
  if (!text) {
    host_.note("The play time could not be read: " + text.error().message);
    return playTimeJson({});
  }
  return playTimeJson(playTimeOf(*text));
}

}  // namespace myr::runner
