#include "maintenance/support_report_win.h"

#include <windows.h>

#include <cstdio>
#include <string_view>

#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"
#include "foundation/version.h"

namespace myr::maintenance {
namespace {

constexpr std::uint64_t kIniLimitBytes = 1048576;
constexpr std::uint64_t kGameLogTailBytes = 65536;
constexpr std::uint64_t kLauncherLogTailBytes = 262144;

std::string section(std::string_view title, std::string_view body) {
  std::string text = "\r\n== " + std::string(title) + " ==\r\n" + std::string(body);
  if (!text.ends_with('\n')) text += "\r\n";
  return text;
}

std::string twoDigits(int n) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", n);
  return text;
}

std::string dateText(const std::tm& time) {
  return std::to_string(time.tm_year + 1900) + "-" + twoDigits(time.tm_mon + 1) + "-" + twoDigits(time.tm_mday);
}

std::string timeText(const std::tm& time, std::string_view separator) {
  return twoDigits(time.tm_hour) + std::string(separator) + twoDigits(time.tm_min) + std::string(separator) +
         twoDigits(time.tm_sec);
}

template <class Function>
Function ntdllFunction(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

// The version the system really has (GetVersionEx answers what the manifest claims), and Wine's
// own when it runs there.
std::string systemText() {
  std::string text = "Windows";
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (const auto get = ntdllFunction<LONG(WINAPI*)(OSVERSIONINFOW*)>("RtlGetVersion"); get && get(&version) == 0) {
    char number[48];
    std::snprintf(number, sizeof number, " %lu.%lu.%lu", version.dwMajorVersion, version.dwMinorVersion,
                  version.dwBuildNumber);
    text += number;
  }
  if (const auto wine = ntdllFunction<const char*(CDECL*)()>("wine_get_version")) {
    text += " on Wine " + std::string(wine());
    const char* system = nullptr;
    const char* release = nullptr;
    if (const auto host = ntdllFunction<void(CDECL*)(const char**, const char**)>("wine_get_host_version")) {
      host(&system, &release);
      if (system != nullptr && release != nullptr) text += " (" + std::string(system) + " " + release + ")";
    }
  }
  return text;
}

std::string fileText(const std::filesystem::path& path, std::uint64_t limit) {
  if (isMissingPath(path)) return toUtf8(path.native()) + " does not exist.";
  const Result<std::string> text = readFileLimited(path, limit);
  return text ? *text : text.error().message;
}

// The end of a log, from the first whole line within its last limit bytes.
std::string logTail(const std::filesystem::path& path, std::uint64_t limit) {
  if (isMissingPath(path)) return toUtf8(path.native()) + " does not exist.";
  const Result<std::string> tail = readFileTail(path, limit);
  if (!tail) return tail.error().message;
  if (tail->size() < limit) return *tail;
  const std::size_t lineEnd = tail->find('\n');
  return "(its last " + std::to_string(limit / 1024) + " KiB)\r\n" +
         (lineEnd == std::string::npos ? *tail : tail->substr(lineEnd + 1));
}

std::string jsonText(const json::Value& value) { return json::write(value); }

}  // namespace

std::string supportReportText(MaintenanceHost& host, const std::tm& localNow) {
  const std::filesystem::path& game = host.gameFolder();
  const ReportFacts facts = host.reportFacts();
  std::string text =
      "myr_launcher support report, written " + dateText(localNow) + " " + timeText(localNow, ":") + " local time\r\n";
  text += section("Launcher", "Version " + std::string(kLauncherVersion) + "\r\nBrowser " +
                                  (facts.browserVersion.empty() ? "none found" : facts.browserVersion) +
                                  "\r\nGame folder " + toUtf8(game.native()));
  text += section("System", systemText());
  text += section("Display", jsonText(facts.display));
  text += section("Disc", jsonText(facts.disc));
  text += section("myr.ini", fileText(game / L"myr.ini", kIniLimitBytes));
  text += section("Last run", facts.lastRun.isNull() ? "No run since the launcher started." : jsonText(facts.lastRun));
  text += section("Game log (logs\\last_run.log)", logTail(game / L"logs" / L"last_run.log", kGameLogTailBytes));
  text +=
      section("Launcher log (logs\\launcher.log)", logTail(game / L"logs" / L"launcher.log", kLauncherLogTailBytes));
  text += section("Saves and backups (names and sizes only)", facts.saves);
  return text;
}

Result<std::filesystem::path> writeSupportReport(MaintenanceHost& host, const std::tm& localNow) {
  const std::filesystem::path path =
      host.gameFolder() / L"logs" / toWide("report-" + dateText(localNow) + "-" + timeText(localNow, "") + ".txt");
  if (const Status written = writeFileAtomic(path, supportReportText(host, localNow)); !written) {
    return written.error().prefixed("The report could not be written: ");
  }
  if (const Status shown = host.modalUi().showInFolder(path); !shown) {
    host.note("The report could not be shown in the file browser: " + shown.error().message);
  }
  return path;
}

}  // namespace myr::maintenance
