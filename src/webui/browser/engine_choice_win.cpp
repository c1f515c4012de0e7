#include "webui/browser/engine_choice_win.h"

#include "webui/browser/chromium/chromium_engine_win.h"
#include "webui/browser/stdio_backend_win.h"

namespace myr::browser {
namespace {

class MissingEngine final : public Engine {
 public:
  explicit MissingEngine(std::shared_ptr<UiThreadQueue> queue) : queue_(std::move(queue)) {}
  std::wstring installedVersion() override { return {}; }
  HRESULT createEnvironment(const std::wstring&, const EnvironmentOptions*, EnvironmentCreated done) override {
    return queue_->post([done = std::move(done)] { done(kEngineNotFound, nullptr); }) ? S_OK : E_FAIL;
  }

 private:
  std::shared_ptr<UiThreadQueue> queue_;
};

}  // namespace

std::unique_ptr<Engine> makeEngine(const std::string& choice, std::shared_ptr<UiThreadQueue> queue, LogSink& log) {
  if (choice == "stdio") {
    return makeStdioEngine(std::move(queue), log);
  }
  if (choice == "chromium" || (choice.empty() && chromium::chromiumAvailable())) {
    return chromium::makeChromiumEngine([queue](std::function<void()> work) { return queue->post(std::move(work)); },
                                        log);
  }
  return std::make_unique<MissingEngine>(std::move(queue));
}

}  // namespace myr::browser
