#include "support/fake_browser.h"

#include <stdexcept>

#include "foundation/files/win_text.h"
#include "webui/browser/ui_thread_queue_win.h"

namespace myr::testing {
namespace {

class FakeEnvironment final : public browser::Environment {
 public:
  explicit FakeEnvironment(FakeEngine& engine) : engine_(engine) {}
  HRESULT createController(HWND, browser::ControllerCreated done) override {
    const HRESULT result = engine_.options_.controllerResult;
    std::shared_ptr<FakeController> controller;
    if (SUCCEEDED(result)) {
      controller = std::make_shared<FakeController>(engine_.options_);
      engine_.controllers.push_back(controller);
    }
    return engine_.queue_->post([done = std::move(done), result, controller] { done(result, controller); }) ? S_OK
                                                                                                            : E_FAIL;
  }

 private:
  FakeEngine& engine_;
};

}  // namespace

void FakeView::raiseWebMessage(const std::wstring& source, std::optional<std::wstring> text) {
  webMessage_(browser::WebMessage{source, std::move(text)});
}

bool FakeView::raiseNavigation(const std::wstring& uri) {
  browser::NavigationStarting navigation{uri};
  navigationStarting_(navigation);
  return navigation.cancel;
}

bool FakeView::raiseNewWindow() {
  browser::NewWindowRequest request{L"https://elsewhere.example/"};
  newWindow_(request);
  return request.handled;
}

bool FakeView::raiseDownload() {
  browser::DownloadStarting download{L"https://elsewhere.example/file.zip"};
  downloadStarting_(download);
  return download.cancel;
}

void FakeView::raiseProcessFailed(browser::ProcessFailure failure) { processFailed_(failure); }

void FakeView::postJson(const std::wstring& json) {
  if (throwOnPost) {
    throw std::runtime_error("the page is gone");
  }
  posted.push_back(toUtf8(json));
}

HRESULT FakeEngine::createEnvironment(const std::wstring& profileFolder, const browser::EnvironmentOptions* options,
                                      browser::EnvironmentCreated done) {
  profileFolders.push_back(profileFolder);
  optionsSeen.push_back(options ? std::optional(*options) : std::nullopt);
  if (FAILED(options_.createEnvironmentCall)) {
    return options_.createEnvironmentCall;
  }
  const HRESULT result = options_.environmentResult;
  std::shared_ptr<browser::Environment> environment;
  if (SUCCEEDED(result)) {
    environment = std::make_shared<FakeEnvironment>(*this);
  }
  return queue_->post([done = std::move(done), result, environment] { done(result, environment); }) ? S_OK : E_FAIL;
}

void pumpMessages() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace myr::testing
