// The real launcher whose browser engine fails as MYR_TEST_FAILURE says, to see its last words:
//   "constructor"  the engine cannot be made, so the launcher's construction throws;
//   "thread"       a thread of the engine throws, with nothing to catch it.

#include <windows.h>

#include <stdexcept>
#include <thread>

#include "app/startup_win.h"
#include "foundation/environment_win.h"
#include "webui/browser/engine_choice_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  const std::string failure = myr::getEnvUtf8(L"MYR_TEST_FAILURE");
  return myr::app::runLauncher(
      instance, showCommand, [&failure](std::shared_ptr<myr::browser::UiThreadQueue> queue, myr::LogSink& log) {
        if (failure == "constructor") throw std::runtime_error("no engine for this test");
        if (failure == "thread") std::thread([] { throw std::runtime_error("a thread nobody guards"); }).detach();
        return myr::browser::makeEngine("stdio", std::move(queue), log);
      });
}
