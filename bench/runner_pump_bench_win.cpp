// Throughput of the game's output pump with real processes (run under Wine; not a test).
// The stand-in game writes the same flood of short lines twice per round: once into a file on
// its own, once into the launcher's pipe while a UI stand-in takes "log" events every 200 ms.
//
//   runner_pump_bench [megabytes, default 200] [rounds, default 3]

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "runner/game_start_win.h"
#include "runner/log_event.h"
#include "runner/running_game_win.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double floodIntoFile(const fs::path& folder, std::uint64_t bytes) {
  SetEnvironmentVariableW(L"STANDIN_FLOOD_FILE", (folder / L"flood.txt").c_str());
  const std::wstring exe = myr::runner::gamePath(folder).native();
  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created{};
  const Clock::time_point start = Clock::now();
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      folder.c_str(), &startup, &created)) {
    std::fprintf(stderr, "the stand-in did not start: %lu\n", GetLastError());
    std::exit(1);
  }
  WaitForSingleObject(created.hProcess, INFINITE);
  const double seconds = secondsSince(start);
  CloseHandle(created.hThread);
  CloseHandle(created.hProcess);
  SetEnvironmentVariableW(L"STANDIN_FLOOD_FILE", nullptr);
  if (fs::file_size(folder / L"flood.txt") != bytes) std::fprintf(stderr, "the flood file is short\n");
  fs::remove(folder / L"flood.txt");
  return seconds;
}

struct PumpRound {
  double seconds = 0;
  std::size_t events = 0;
  std::size_t largestEvent = 0;
};

PumpRound floodThroughPump(const fs::path& folder) {
  myr::runner::LogQueue queue;
  auto exited = std::make_shared<std::promise<unsigned long>>();
  std::future<unsigned long> done = exited->get_future();
  myr::runner::StartRequest request;
  request.gameFolder = folder;
  const Clock::time_point start = Clock::now();
  auto game = myr::runner::startGame(request, queue, [exited](unsigned long code) { exited->set_value(code); });
  if (!game) {
    std::fprintf(stderr, "%s\n", game.error().message.c_str());
    std::exit(1);
  }
  PumpRound round;
  // The UI thread's timer: one event every 200 ms while the game runs.
  while (done.wait_for(std::chrono::milliseconds(200)) != std::future_status::ready) {
    if (const auto event = myr::runner::takeLogEvent(queue)) {
      ++round.events;
      round.largestEvent = std::max(round.largestEvent, event->get("lines").items().size());
    }
  }
  round.seconds = secondsSince(start);
  game->end(done.get(), queue.tail());
  return round;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::uint64_t megabytes = argc > 1 ? std::wcstoull(argv[1], nullptr, 10) : 200;
  const int rounds = argc > 2 ? static_cast<int>(std::wcstol(argv[2], nullptr, 10)) : 3;
  const std::uint64_t bytes = megabytes * 1'000'000;
  const double mb = static_cast<double>(bytes) / 1e6;

  const fs::path folder = fs::temp_directory_path() / ("myr-pump-bench-" + std::to_string(GetCurrentProcessId()));
  fs::create_directories(folder);
  fs::copy_file(MYR_STANDIN_GAME, myr::runner::gamePath(folder));
  SetEnvironmentVariableW(L"STANDIN_FLOOD_BYTES", std::to_wstring(bytes).c_str());

  std::printf("flood of %.0f MB in lines of 64 bytes\n", mb);
  for (int round = 1; round <= rounds; ++round) {
    const double file = floodIntoFile(folder, bytes);
    const PumpRound pump = floodThroughPump(folder);
    std::printf(
        "round %d: into a file %.2f s (%.0f MB/s); through the pump %.2f s (%.0f MB/s); ratio %.2f; "
        "%zu log events, largest %zu lines\n",
        round, file, mb / file, pump.seconds, mb / pump.seconds, file / pump.seconds, pump.events, pump.largestEvent);
    std::fflush(stdout);
  }
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return 0;
}
