// The launcher as the robustness tests run it: MYR_LAUNCHER_PAUSE_AT=<point>[#<n>] stops it the
// n-th time (first by default) it reaches that point, after writing the point's name into the
// file MYR_LAUNCHER_PAUSED, so that a test can end it right there.

#include <windows.h>

#include <atomic>
#include <charconv>
#include <string>
#include <string_view>

#include "app/startup_win.h"
#include "foundation/environment_win.h"
#include "foundation/files/win_handle.h"
#include "foundation/pause_points.h"

namespace {

// Set before the launcher starts any thread, read only afterwards.
std::string pausePoint;
int pauseOnVisit = 1;
std::wstring pausedFile;
std::atomic<int> visits{0};

void pauseHere(std::string_view point) {
  if (point != pausePoint || ++visits != pauseOnVisit) return;
  const myr::WinHandle file(
      CreateFileW(pausedFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  WriteFile(file.get(), point.data(), static_cast<DWORD>(point.size()), &written, nullptr);
  for (;;) Sleep(INFINITE);
}

void readPauseRequest() {
  const std::string request = myr::getEnvUtf8(L"MYR_LAUNCHER_PAUSE_AT");
  const std::size_t mark = request.find('#');
  pausePoint = request.substr(0, mark);
  if (mark != std::string::npos) {
    std::from_chars(request.data() + mark + 1, request.data() + request.size(), pauseOnVisit);
  }
  pausedFile = myr::getEnvWide(L"MYR_LAUNCHER_PAUSED");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  readPauseRequest();
  if (!pausePoint.empty() && !pausedFile.empty()) myr::setPauseHandler(pauseHere);
  return myr::app::runLauncher(instance, showCommand);
}
