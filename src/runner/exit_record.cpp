#include "runner/exit_record.h"

#include <cinttypes>
#include <cstdio>
#include <string_view>
#include <utility>

namespace myr::runner {
namespace {

struct KnownCode {
  std::uint32_t code;
  const char* message;
};

constexpr KnownCode kKnownCodes[] = {
    {0, ""},
    {1, "myr.exe stopped with an error. The log has the details."},
    {2, "myr.exe could not find the game's files or the disc image. The log has the details."},
    {0xC0000005, "myr.exe crashed (access violation, 0xC0000005)."},
    {0xC000007B, "A DLL next to myr.exe is not a 64-bit Windows DLL (0xC000007B)."},
    {0xC00000FD, "myr.exe crashed (stack overflow, 0xC00000FD)."},
    {0xC0000135,
     "A DLL myr.exe needs is missing (0xC0000135): install the Microsoft Visual C++ Redistributable "
     "(x64) and keep pcsx2gs.dll and SDL3.dll next to myr.exe."},
    {0xC0000142, "A DLL of myr.exe failed to start (0xC0000142)."},
    {0xC0000409, "myr.exe stopped itself (fail-fast, 0xC0000409)."},
};

bool describesFailure(std::string_view line) { return line.starts_with("error:") || line.starts_with("fatal:"); }

}  // namespace

std::string exitMessage(std::uint32_t exitCode, bool stoppedByLauncher) {
  if (stoppedByLauncher) return "Stopped from the launcher.";
  for (const KnownCode& known : kKnownCodes) {
    if (known.code == exitCode) return known.message;
  }
  char message[64];
  std::snprintf(message, sizeof message, "myr.exe ended with code 0x%08" PRIX32 ".", exitCode);
  return message;
}

std::string failureDetail(const std::vector<std::string>& tail) {
  for (auto line = tail.rbegin(); line != tail.rend(); ++line) {
    if (describesFailure(*line)) return *line;
  }
  return {};
}

json::Value buildExitRecord(const RunEnd& run) {
  json::Value tail = json::Value::array();
  for (const std::string& line : run.tail) {
    tail.push(line);
  }
  json::Value record = json::Value::object();
  record.set("code", static_cast<double>(run.exitCode));
  record.set("seconds", static_cast<double>(run.elapsedMs / 1000));
  record.set("message", exitMessage(run.exitCode, run.stoppedByLauncher));
  record.set("fail", run.exitCode != 0 && !run.stoppedByLauncher);
  record.set("detail", failureDetail(run.tail));
  record.set("tail", std::move(tail));
  return record;
}

json::Value startFailureRecord(std::string message) {
  json::Value record = json::Value::object();
  record.set("fail", true);
  record.set("message", std::move(message));
  record.set("code", -1);
  record.set("seconds", 0);
  return record;
}

}  // namespace myr::runner
