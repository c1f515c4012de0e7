#include "support/launcher_fixture.h"

#include <fstream>

#include "app/main_window_win.h"

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
  gameFolder = folder.path();
  std::filesystem::create_directories(gameFolder / L"launcher-ui");
  std::ofstream(gameFolder / L"launcher-ui" / L"index.html") << "<!doctype html>";
  useEngine({});
}

void LauncherFixture::TearDown() {
  releaseHeld_.set_value();
  launcher_.reset();
  pumpMessages();
  for (const std::wstring& name : variablesSet_) {
    SetEnvironmentVariableW(name.c_str(), nullptr);
  }
}

FakeEngine& LauncherFixture::useEngine(FakeBrowserOptions options) {
  launcher_.reset();
  pumpMessages();
  app::LauncherSetup setup;
  setup.gameFolder = gameFolder;
  auto recording = std::make_unique<RecordingModalUi>(dialogs, dialogAnswer);
  modalUi = recording.get();
  launcher_ = std::make_unique<app::Launcher>(std::move(setup), std::move(recording),
                                              [this, options](std::shared_ptr<browser::UiThreadQueue> queue, LogSink&) {
                                                auto fake = std::make_unique<FakeEngine>(std::move(queue), options);
                                                engine = fake.get();
                                                return fake;
                                              });
  EXPECT_TRUE(launcher_->createWindow(kTestWindowClass, app::WindowRect{0, 0, 1000, 700}));
  window = launcher_->window();
  return *engine;
}

void LauncherFixture::startPage() {
  launcher_->webHost().startUi();
  pumpMessages();
}

void LauncherFixture::holdFileOperation() {
  launcher_->fileOperations().start(launcher_->bridge().replyTo(-1), true, [held = held_]() -> Result<json::Value> {
    held.wait();
    return json::Value::object();
  });
}

void LauncherFixture::setVariable(const wchar_t* name, const wchar_t* value) {
  SetEnvironmentVariableW(name, value);
  variablesSet_.emplace_back(name);
}

}  // namespace myr::testing
