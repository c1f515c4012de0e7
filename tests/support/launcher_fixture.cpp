#include "support/launcher_fixture.h"

#include <fstream>

#include "app/app_state_win.h"
#include "app/main_window_win.h"
#include "runner/game_log_win.h"
#include "webui/bridge/bridge_win.h"
#include "webui/file_operations.h"
#include "webui/page_host_win.h"
#include "webui/web_host_win.h"

namespace myr::testing {
namespace {

constexpr wchar_t kTestWindowClass[] = L"MyrLauncherTestWindow";

void registerTestWindowClass() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = app::mainWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kTestWindowClass;
  RegisterClassW(&windowClass);
}

}  // namespace

void LauncherFixture::SetUp() {
  registerTestWindowClass();
  gameFolder = std::filesystem::temp_directory_path() / L"myr-launcher-fixture" /
               std::to_wstring(GetCurrentProcessId());
  std::filesystem::remove_all(gameFolder);
  std::filesystem::create_directories(gameFolder / L"launcher-ui");
  std::ofstream(gameFolder / L"launcher-ui" / L"index.html") << "<!doctype html>";

  app::appState() = app::AppState{};
  app::appState().gameFolder = gameFolder;
  dialogs.clear();
  webHost() = WebHost{};
  fileOperationBusy() = false;
  runner::logQueue().clear();
  app::setModalUi(std::make_unique<RecordingModalUi>(&dialogs, dialogAnswer));
  window = CreateWindowExW(0, kTestWindowClass, L"test", WS_OVERLAPPEDWINDOW, 0, 0, 1000, 700, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  app::appState().mainWindow = window;
  bridge::setPostJsonTarget(window);
  useEngine({});
}

void LauncherFixture::TearDown() {
  if (IsWindow(window)) {
    DestroyWindow(window);
  }
  bridge::setPostJsonTarget(nullptr);
  pumpMessages();
  webHost() = WebHost{};
  app::appState() = app::AppState{};
  for (const std::wstring& name : variablesSet_) {
    SetEnvironmentVariableW(name.c_str(), nullptr);
  }
  std::error_code ignored;
  std::filesystem::remove_all(gameFolder, ignored);
}

FakeEngine& LauncherFixture::useEngine(FakeBrowserOptions options) {
  auto fake = std::make_unique<FakeEngine>(options);
  engine = fake.get();
  webHost().engine = std::move(fake);
  return *engine;
}

void LauncherFixture::startPage() {
  app::setModalUi(std::make_unique<RecordingModalUi>(&dialogs, dialogAnswer));
  startUi();
  pumpMessages();
}

void LauncherFixture::setVariable(const wchar_t* name, const wchar_t* value) {
  SetEnvironmentVariableW(name, value);
  variablesSet_.emplace_back(name);
}

}  // namespace myr::testing
