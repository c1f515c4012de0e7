// Real game runs under Wine: the stand-in game plays myr.exe in a game folder of each test's own.

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/files/win_text.h"
#include "foundation/version.h"
#include "runner/exit_record.h"
#include "runner/game_output.h"
#include "runner/game_start_win.h"
#include "runner/log_event.h"
#include "runner/running_game_win.h"
#include "support/temp_folder.h"

namespace myr::runner {
namespace {

using Variables = std::map<std::wstring, std::wstring>;

// Variables of the test process, which the game inherits as it inherits the launcher's.
class ScopedVariables {
 public:
  explicit ScopedVariables(const Variables& variables) {
    for (const auto& [name, value] : variables) {
      SetEnvironmentVariableW(name.c_str(), value.c_str());
      names_.push_back(name);
    }
  }
  ~ScopedVariables() {
    for (const std::wstring& name : names_) SetEnvironmentVariableW(name.c_str(), nullptr);
  }

 private:
  std::vector<std::wstring> names_;
};

std::wstring hex(std::string_view bytes) {
  static const wchar_t digits[] = L"0123456789ABCDEF";
  std::wstring text;
  for (const char c : bytes) {
    text += digits[static_cast<unsigned char>(c) >> 4];
    text += digits[static_cast<unsigned char>(c) & 0xF];
  }
  return text;
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeFile(const std::filesystem::path& path, std::string_view text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::size_t count(std::string_view text, std::string_view part) {
  std::size_t found = 0;
  for (std::size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) ++found;
  return found;
}

struct Finished {
  unsigned long exitCode = 0;
  RunEnd run;
  std::vector<json::Value> events;
  std::vector<std::string> lines;
};

// A process of the stand-in started the way a player would, outside the launcher.
class OutsideGame {
 public:
  explicit OutsideGame(const std::filesystem::path& folder) {
    SetEnvironmentVariableW(L"STANDIN_SLEEP_MS", L"60000");
    const std::wstring exe = gamePath(folder).native();
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created{};
    const BOOL ok = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                                   folder.c_str(), &startup, &created);
    SetEnvironmentVariableW(L"STANDIN_SLEEP_MS", nullptr);
    EXPECT_TRUE(ok);
    CloseHandle(created.hThread);
    process_.reset(created.hProcess);
    id_ = created.dwProcessId;
  }
  ~OutsideGame() { end(); }

  DWORD id() const { return id_; }
  void end() {
    if (!process_) return;
    TerminateProcess(process_.get(), 0);
    WaitForSingleObject(process_.get(), 10000);
    process_.reset();
  }

 private:
  WinHandle process_;
  DWORD id_ = 0;
};

class GameRunTest : public ::testing::Test {
 protected:
  GameRunTest() { std::filesystem::copy_file(MYR_STANDIN_GAME, gamePath(folder_.path())); }

  const std::filesystem::path& gameFolder() const { return folder_.path(); }
  std::filesystem::path logPath(const wchar_t* name) const { return gameFolder() / L"logs" / name; }

  StartRequest request() const {
    StartRequest request;
    request.gameFolder = gameFolder();
    return request;
  }

  Result<GameProcess> start(const StartRequest& request) {
    auto exited = std::make_shared<std::promise<unsigned long>>();
    exited_ = exited->get_future();
    return startGame(request, queue, [exited](unsigned long code) { exited->set_value(code); });
  }

  // Waits for the pump's report as the window would, then handles the end.
  Finished finish(GameProcess& game) {
    Finished finished;
    if (exited_.wait_for(std::chrono::minutes(2)) != std::future_status::ready) {
      ADD_FAILURE() << "the game's end was not reported";
      EXPECT_TRUE(game.stop());
    }
    finished.exitCode = exited_.get();
    finished.run = game.end(finished.exitCode, queue.tail());
    while (std::optional<json::Value> event = takeLogEvent(queue)) {
      for (const json::Value& line : event->get("lines").items()) finished.lines.push_back(line.asString());
      finished.events.push_back(std::move(*event));
    }
    return finished;
  }

  Finished run(const Variables& variables, StartRequest request) {
    const ScopedVariables scoped(variables);
    Result<GameProcess> game = start(request);
    if (!game) {
      ADD_FAILURE() << game.error().message;
      return {};
    }
    return finish(*game);
  }
  Finished run(const Variables& variables) { return run(variables, request()); }

  LogQueue queue;

 private:
  testing::TempFolder folder_;
  std::future<unsigned long> exited_;
};

TEST_F(GameRunTest, OutputReachesThePageAsLinesAndTheLogAsWritten) {
  const std::string printed = "plain\r\nline\r\r\n";
  const Finished finished = run({{L"STANDIN_PRINT_HEX", hex(printed)},
                                 {L"STANDIN_LINES", L"2"},
                                 {L"STANDIN_LINE_BYTES", L"2500"},
                                 {L"STANDIN_STDERR_TEXT", L"error: from standard error"},
                                 {L"STANDIN_WRITE_FILE", L"written.txt"},
                                 {L"STANDIN_WRITE_TEXT", L"here"}});
  const std::string line0 = "line 0" + std::string(2494, '.');
  const std::string line1 = "line 1" + std::string(2494, '.');
  EXPECT_EQ(finished.lines, (std::vector<std::string>{"plain", "line\r", line0.substr(0, 2000), line1.substr(0, 2000),
                                                      "error: from standard error"}));

  // The log keeps the output as the game wrote it, between the header and the closing line.
  const std::string log = readFile(logPath(L"last_run.log"));
  const std::size_t headerEnd = log.find("\r\n") + 2;
  EXPECT_TRUE(log.starts_with(std::string("[myr_launcher ") + kLauncherVersion + "] "));
  EXPECT_TRUE(log.substr(0, headerEnd).ends_with(" myr.exe started\r\n"));
  EXPECT_EQ(log.substr(headerEnd), printed + line0 + "\n" + line1 + "\n" + "error: from standard error\n" +
                                       "\r\n[myr_launcher] myr.exe ended with code 0 (0x00000000)\r\n");

  EXPECT_EQ(readFile(gameFolder() / L"written.txt"), "here") << "the game runs in its own folder";
  EXPECT_EQ(failureDetail(finished.run.tail), "error: from standard error");
}

TEST_F(GameRunTest, AnsiCodePageOutputArrivesAsUtf8) {
  if (GetACP() != 1252) GTEST_SKIP() << "the bytes below are Western European text";
  const Finished finished = run({{L"STANDIN_PRINT_HEX", hex("caf\xE9 cr\xE8me\r\n\xC3\xA9t\xC3\xA9\n")}});
  EXPECT_EQ(finished.lines, (std::vector<std::string>{"caf\xC3\xA9 cr\xC3\xA8me", "\xC3\xA9t\xC3\xA9"}));
}

TEST_F(GameRunTest, TextWithoutLineFeedsArrivesIn8000BytePieces) {
  const Finished finished = run({{L"STANDIN_RAW_BYTES", L"40000"}});
  std::string text(40000, ' ');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
  std::vector<std::string> pieces;
  for (std::size_t at = 0; at < text.size(); at += 8000) pieces.push_back(text.substr(at, 2000));
  EXPECT_EQ(finished.lines, pieces);
}

// A process the game started inherits its output and outlives it by far: the run ends with the
// game, with every line the game wrote, while that process still holds the pipe.
TEST_F(GameRunTest, TheRunEndsWithTheGameWhileAProcessItStartedHoldsThePipe) {
  const Finished finished =
      run({{L"STANDIN_HEIR_SLEEP_MS", L"300000"}, {L"STANDIN_LINES", L"3"}, {L"STANDIN_EXIT_CODE", L"7"}});
  EXPECT_EQ(finished.exitCode, 7u);
  ASSERT_EQ(finished.lines.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(finished.lines.begin() + 1, finished.lines.end()),
            (std::vector<std::string>{"line 0", "line 1", "line 2"}));
  constexpr std::string_view kHeir = "standin: heir ";
  ASSERT_TRUE(finished.lines.front().starts_with(kHeir)) << finished.lines.front();
  const DWORD heirId = std::stoul(finished.lines.front().substr(kHeir.size()));
  const WinHandle heir(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, heirId));
  ASSERT_TRUE(heir);
  EXPECT_EQ(WaitForSingleObject(heir.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the pipe was closed already";
  TerminateProcess(heir.get(), 0);
  WaitForSingleObject(heir.get(), 10000);
  EXPECT_TRUE(readFile(logPath(L"last_run.log")).ends_with("line 2\n" + logClosingLine(7)));
}

TEST_F(GameRunTest, FloodStopsTheLogJustPast64MiBAndKeepsTheRunBefore) {
  run({{L"STANDIN_LINES", L"1"}});
  const std::string before = readFile(logPath(L"last_run.log"));
  ASSERT_NE(before.find("line 0\n"), std::string::npos);

  const std::uint64_t floodBytes = 70'000'000;  // lines of 64 bytes
  const Finished finished = run({{L"STANDIN_FLOOD_BYTES", std::to_wstring(floodBytes)}});
  EXPECT_EQ(readFile(logPath(L"previous_run.log")), before);

  const std::string log = readFile(logPath(L"last_run.log"));
  const std::string closing = logClosingLine(0);
  const std::size_t headerSize = log.find("\r\n") + 2;
  EXPECT_EQ(count(log, kCapMarker), 1u);
  ASSERT_TRUE(log.ends_with(std::string(kCapMarker) + closing));
  const std::size_t output = log.size() - headerSize - kCapMarker.size() - closing.size();
  EXPECT_GE(output, kLogCap);
  EXPECT_LT(output, kLogCap + kPumpReadSize);
  EXPECT_TRUE(log.substr(headerSize, 24).starts_with("flood 000000000000 abcd"));

  // The page got the newest lines up to the last one, the older ones counted as dropped.
  std::uint64_t dropped = 0;
  for (const json::Value& event : finished.events) {
    EXPECT_LE(event.get("lines").items().size(), kLinesPerLogEvent);
    dropped += static_cast<std::uint64_t>(event.get("dropped").asNumber(0));
  }
  EXPECT_EQ(dropped + finished.lines.size(), floodBytes / 64);
  ASSERT_FALSE(finished.lines.empty());
  EXPECT_TRUE(finished.lines.back().starts_with("flood 000001093749 ")) << finished.lines.back();
}

TEST_F(GameRunTest, FiveThousandLinesBetweenTwoTakesLeaveTheNewest4000) {
  const Finished finished = run({{L"STANDIN_LINES", L"5000"}});
  ASSERT_EQ(finished.events.size(), 10u);
  EXPECT_EQ(finished.events.front().get("dropped").asNumber(-1), 1000);
  for (const json::Value& event : finished.events) {
    EXPECT_EQ(event.get("lines").items().size(), 400u);
  }
  ASSERT_EQ(finished.lines.size(), 4000u);
  EXPECT_EQ(finished.lines.front(), "line 1000");
  EXPECT_EQ(finished.lines.back(), "line 4999");
}

TEST_F(GameRunTest, ExitCodesArriveWhole) {
  for (const std::uint32_t code : {0u, 1u, 2u, 3u, 0xC0000005u, 0xC0000135u, 0xDEADBEEFu}) {
    const Finished finished = run({{L"STANDIN_EXIT_CODE", std::to_wstring(code)}});
    EXPECT_EQ(finished.exitCode, code);
    const json::Value record = buildExitRecord(finished.run);
    EXPECT_EQ(record.get("code").asNumber(-1), static_cast<double>(code));
    EXPECT_EQ(record.get("fail").asBool(), code != 0);
    EXPECT_EQ(record.get("message").asString(), exitMessage(code, false));
    EXPECT_TRUE(readFile(logPath(L"last_run.log")).ends_with(logClosingLine(code))) << code;
  }
}

TEST_F(GameRunTest, StopEndsTheRunAsStoppedFromTheLauncher) {
  const ScopedVariables sleeping(Variables{{L"STANDIN_SLEEP_MS", L"60000"}});
  Result<GameProcess> game = start(request());
  ASSERT_TRUE(game) << game.error().message;
  EXPECT_TRUE(game->tracked());
  EXPECT_TRUE(game->stop());
  const Finished finished = finish(*game);
  EXPECT_FALSE(game->tracked());
  EXPECT_EQ(finished.exitCode, 1u);
  const json::Value record = buildExitRecord(finished.run);
  EXPECT_EQ(record.get("message").asString(), "Stopped from the launcher.");
  EXPECT_FALSE(record.get("fail").asBool());
}

TEST_F(GameRunTest, StoppingAGameThatHasJustEndedIsNoFailure) {
  Result<GameProcess> game = start(request());
  ASSERT_TRUE(game) << game.error().message;
  // The game has ended but its end is not handled yet.
  const WinHandle process(OpenProcess(SYNCHRONIZE, FALSE, game->processId()));
  ASSERT_EQ(WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0);
  EXPECT_TRUE(game->stop());
  EXPECT_FALSE(finish(*game).run.stoppedByLauncher);
}

TEST_F(GameRunTest, ResumeHandsTheStateToTheGameAndRestoresTheLaunchersVariable) {
  std::filesystem::create_directories(gameFolder() / L"states");
  writeFile(gameFolder() / L"states" / L"quick.state", "state");
  for (const bool launcherHasOne : {true, false}) {
    if (launcherHasOne) SetEnvironmentVariableW(L"ZEVR_STATE_LOAD_AT", L"launcher's own");
    StartRequest resume = request();
    resume.resume = true;
    resume.stateName = "quick.state";
    const Finished finished = run({}, resume);
    EXPECT_EQ(finished.lines, std::vector<std::string>{"standin: ZEVR_STATE_LOAD_AT=30:states\\quick.state"});
    EXPECT_NE(readFile(logPath(L"last_run.log")).find(" myr.exe started, resuming quick.state\r\n"), std::string::npos);
    wchar_t value[64] = L"";
    const DWORD length = GetEnvironmentVariableW(L"ZEVR_STATE_LOAD_AT", value, 64);
    EXPECT_EQ(length != 0, launcherHasOne);
    if (launcherHasOne) {
      EXPECT_STREQ(value, L"launcher's own");
      // Without a resume the game gets the launcher's environment as it is.
      EXPECT_EQ(run({}).lines, std::vector<std::string>{"standin: ZEVR_STATE_LOAD_AT=launcher's own"});
    }
    SetEnvironmentVariableW(L"ZEVR_STATE_LOAD_AT", nullptr);
  }
}

struct RefusalCase {
  const char* what;
  bool tracked;
  bool busy;
  bool withoutGame;
  bool resume;
  std::string stateName;
  std::string message;  // "<folder>" stands for the game folder
};

TEST_F(GameRunTest, RefusalsComeInOrderAndLeaveTheLogsAlone) {
  std::filesystem::create_directories(gameFolder() / L"states" / L"folder.state");
  std::filesystem::create_directories(gameFolder() / L"logs");
  writeFile(logPath(L"last_run.log"), "old run");
  const RefusalCase cases[] = {
      {"tracked first", true, true, true, true, "", "The game is already running."},
      {"busy", false, true, true, true, "", "Wait until the file operation has finished."},
      {"no game", false, false, true, true, "", "myr.exe is missing: it belongs next to myr_launcher.exe (<folder>)."},
      {"no name", false, false, false, true, "", "The save state  is not in states\\."},
      {"path", false, false, false, true, "..\\quick.state", "The save state ..\\quick.state is not in states\\."},
      {"missing", false, false, false, true, "missing.state", "The save state missing.state is not in states\\."},
      {"a folder", false, false, false, true, "folder.state", "The save state folder.state is not in states\\."},
  };
  const std::filesystem::path game = gamePath(gameFolder());
  const std::filesystem::path aside = gameFolder() / L"aside.exe";
  for (const RefusalCase& c : cases) {
    StartRequest request = this->request();
    request.gameTracked = c.tracked;
    request.fileOperationBusy = c.busy;
    request.resume = c.resume;
    request.stateName = c.stateName;
    if (c.withoutGame) std::filesystem::rename(game, aside);
    const Result<GameProcess> refused = start(request);
    if (c.withoutGame) std::filesystem::rename(aside, game);
    ASSERT_FALSE(refused) << c.what;
    std::string message = c.message;
    if (const std::size_t at = message.find("<folder>"); at != std::string::npos) {
      message.replace(at, 8, toUtf8(gameFolder().native()));
    }
    EXPECT_EQ(refused.error().message, message) << c.what;
  }
  EXPECT_EQ(readFile(logPath(L"last_run.log")), "old run");
  EXPECT_FALSE(std::filesystem::exists(logPath(L"previous_run.log")));
}

TEST_F(GameRunTest, OnlyAGameOfThisFolderStartedOutsideCounts) {
  const testing::TempFolder otherFolder;
  std::filesystem::copy_file(MYR_STANDIN_GAME, gamePath(otherFolder.path()));
  OutsideGame other(otherFolder.path());
  EXPECT_EQ(findRunningGame(gameFolder(), 0), 0u);
  EXPECT_EQ(findRunningGame(otherFolder.path(), 0), other.id());

  OutsideGame outside(gameFolder());
  EXPECT_EQ(findRunningGame(gameFolder(), 0), outside.id());
  EXPECT_EQ(findRunningGame(gameFolder(), outside.id()), 0u) << "the tracked game is not one started outside";
  const Result<GameProcess> refused = start(request());
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error().message, "myr.exe is already running (process " + std::to_string(outside.id()) + ").");

  outside.end();
  EXPECT_EQ(findRunningGame(gameFolder(), 0), 0u);
}

TEST_F(GameRunTest, TheGameRunsWhenTheLogsFolderCannotBeMade) {
  writeFile(gameFolder() / L"logs", "a file where the folder would be");
  EXPECT_EQ(run({{L"STANDIN_LINES", L"2"}}).lines, (std::vector<std::string>{"line 0", "line 1"}));
}

}  // namespace
}  // namespace myr::runner
