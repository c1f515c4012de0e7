// Throughput of the game's output pump with real processes (run under Wine; not a test).
// The stand-in game writes the same flood of short lines three times per round: into a pipe that
// a plain blocking read empties, into a pipe that a reader with the pump's guarantee (it ends
// once the game has ended, whoever else holds the pipe) empties doing nothing else, and into the
// launcher's pipe while a UI stand-in takes "log" events every 200 ms.
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
#include <optional>
#include <string>
#include <thread>

#include "runner/game_output_pipe_win.h"
#include "runner/game_start_win.h"
#include "runner/log_event.h"
#include "runner/running_game_win.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

constexpr DWORD kReadSize = 16384;

struct Flood {
  HANDLE read = nullptr;
  HANDLE process = nullptr;
};

// The stand-in flooding its standard output into the write end of a pipe.
Flood startFlood(const fs::path& folder, HANDLE read, HANDLE write) {
  const std::wstring exe = myr::runner::gamePath(folder).native();
  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write;
  startup.hStdError = write;
  PROCESS_INFORMATION created{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                      folder.c_str(), &startup, &created)) {
    std::fprintf(stderr, "the stand-in did not start: %lu\n", GetLastError());
    std::exit(1);
  }
  CloseHandle(write);
  CloseHandle(created.hThread);
  return {read, created.hProcess};
}

std::uint64_t finish(const Flood& flood, std::uint64_t received) {
  WaitForSingleObject(flood.process, INFINITE);
  CloseHandle(flood.process);
  CloseHandle(flood.read);
  return received;
}

std::uint64_t plainRead(const Flood& flood) {
  std::string buffer(kReadSize, '\0');
  std::uint64_t received = 0;
  DWORD got = 0;
  while (ReadFile(flood.read, buffer.data(), kReadSize, &got, nullptr) && got > 0) received += got;
  return finish(flood, received);
}

// An anonymous pipe, as a plain reader would have it.
Flood startPlainFlood(const fs::path& folder) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  CreatePipe(&read, &write, &inheritable, 65536);
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  return startFlood(folder, read, write);
}

// The pump's own pipe and reader, with nothing done with what it reads.
Flood startGuardedFlood(const fs::path& folder) {
  myr::Result<myr::runner::GamePipe> pipe = myr::runner::createOutputPipe();
  if (!pipe) {
    std::fprintf(stderr, "%s\n", pipe.error().message.c_str());
    std::exit(1);
  }
  return startFlood(folder, pipe->read.release(), pipe->write.release());
}

std::uint64_t guardedRead(const Flood& flood) {
  std::string buffer(kReadSize, '\0');
  std::uint64_t received = 0;
  {
    myr::runner::GameOutputReader reader(flood.read, flood.process);
    while (const std::optional<std::size_t> got = reader.read(buffer, [] {})) received += *got;
  }
  return finish(flood, received);
}

// From the stand-in's start, as the pump's time is.
double timedRead(const fs::path& folder, std::uint64_t bytes, Flood (*startOne)(const fs::path&),
                 std::uint64_t (*reader)(const Flood&)) {
  const Clock::time_point start = Clock::now();
  if (reader(startOne(folder)) != bytes) std::fprintf(stderr, "a reader got a short flood\n");
  return secondsSince(start);
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

  std::printf("flood of %.0f MB in lines of 64 bytes, %lu-byte reads\n", mb, kReadSize);
  for (int round = 1; round <= rounds; ++round) {
    const double plain = timedRead(folder, bytes, startPlainFlood, plainRead);
    const double guarded = timedRead(folder, bytes, startGuardedFlood, guardedRead);
    const PumpRound pump = floodThroughPump(folder);
    std::printf(
        "round %d: plain read %.0f MB/s; guarded read %.0f MB/s; pump %.0f MB/s (%.2fx guarded, %.2fx plain); "
        "%zu log events, largest %zu lines\n",
        round, mb / plain, mb / guarded, mb / pump.seconds, guarded / pump.seconds, plain / pump.seconds, pump.events,
        pump.largestEvent);
    std::fflush(stdout);
  }
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return 0;
}
