#include "webui/browser/engine_choice_win.h"

#include "webui/browser/stdio_backend_win.h"
#include "webui/browser/ui_thread_queue_win.h"

namespace myr::browser {
namespace {

class MissingEngine final : public Engine {
 public:
  std::wstring installedVersion() override { return {}; }
  HRESULT createEnvironment(const std::wstring&, const EnvironmentOptions*, EnvironmentCreated done) override {
    runOnUiThread([done = std::move(done)] { done(kEngineNotFound, nullptr); });
    return S_OK;
  }
};

}  // namespace

std::unique_ptr<Engine> makeEngine(const std::string& choice) {
  if (choice == "stdio") {
    return makeStdioEngine();
  }
  return std::make_unique<MissingEngine>();
}

}  // namespace myr::browser
