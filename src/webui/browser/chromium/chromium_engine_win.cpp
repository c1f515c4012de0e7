#include "webui/browser/chromium/chromium_engine_win.h"

#include <filesystem>
#include <string>
#include <thread>
#include <utility>

#include "foundation/files/win_text.h"
#include "foundation/guard.h"
#include "webui/browser/chromium/browser_command_line.h"
#include "webui/browser/chromium/browser_link_win.h"
#include "webui/browser/chromium/browser_process_win.h"
#include "webui/browser/chromium/chromium_page_win.h"
#include "webui/browser/chromium/devtools_connection_win.h"

namespace myr::browser::chromium {
namespace {

constexpr std::chrono::seconds kStartTimeout{30};

HRESULT resultOf(const Error& error) { return error.systemCode != 0 ? HRESULT_FROM_WIN32(error.systemCode) : E_FAIL; }

class ChromiumEnvironment final : public Environment {
 public:
  explicit ChromiumEnvironment(std::shared_ptr<BrowserLink> link) : link_(std::move(link)) {}

  HRESULT createController(HWND parent, ControllerCreated done) override {
    auto page = std::make_shared<ChromiumPage>(link_, parent);
    link_->post([page, done = std::move(done)] { page->attach(done); });
    return S_OK;
  }

 private:
  std::shared_ptr<BrowserLink> link_;
};

// Routes what the connection reads to the page of the moment.
void startReading(const std::shared_ptr<BrowserLink>& link) {
  std::weak_ptr<BrowserLink> weakLink = link;
  link->connection->start(
      [weakLink](DevToolsEvent&& event) {
        const auto link = weakLink.lock();
        if (!link) {
          return;
        }
        std::function<void(DevToolsEvent &&)> sink;
        {
          std::lock_guard lock(link->mutex);
          sink = event.method == "Page.screencastFrame" ? link->frames : link->events;
        }
        if (sink) {
          sink(std::move(event));
        }
      },
      [weakLink](const std::string& reason) {
        const auto link = weakLink.lock();
        if (!link) {
          return;
        }
        std::function<void(const std::string&)> lost;
        {
          std::lock_guard lock(link->mutex);
          lost = link->lost;
        }
        if (lost) {
          lost(reason);
        }
      });
}

// Starts the browser and connects to it; done hears how it went, on the UI thread.
void startBrowser(const std::shared_ptr<BrowserLink>& link, const BrowserInstallation& installation,
                  const std::filesystem::path& profile, const std::string& extra, const EnvironmentCreated& done) {
  const auto failed = [&](const Error& error) {
    link->log.note(error.message);
    link->post([done, result = resultOf(error)] { done(result, nullptr); });
  };
  Result<BrowserProcess::Started> started = BrowserProcess::start(installation, profile, extra);
  if (!started) {
    failed(started.error());
    return;
  }
  link->process = std::move(started->process);
  Result<std::shared_ptr<DevToolsConnection>> connection =
      DevToolsConnection::open(std::move(started->pipe), link->post, link->log);
  if (!connection) {
    failed(connection.error());
    return;
  }
  link->connection = std::move(*connection);
  startReading(link);
  const Result<std::string> product = link->connection->waitForProduct(kStartTimeout);
  if (!product) {
    failed(product.error().prefixed("The browser could not be started: "));
    return;
  }
  link->post([done, link, version = versionIn(*product)] {
    *link->version = version;
    done(S_OK, std::make_shared<ChromiumEnvironment>(link));
  });
}

class ChromiumEngine final : public Engine {
 public:
  ChromiumEngine(UiPost post, LogSink& log)
      : post_(std::move(post)), log_(log), version_(std::make_shared<std::string>()) {}

  // A started browser has told its version; before that only a Windows browser's file can.
  std::wstring installedVersion() override {
    if (version_->empty()) {
      if (const auto installation = findBrowser()) {
        *version_ = fileVersion(*installation);
      }
    }
    return toWide(*version_);
  }

  HRESULT createEnvironment(const std::wstring& profileFolder, const EnvironmentOptions* options,
                            EnvironmentCreated done) override {
    const std::optional<BrowserInstallation> installation = findBrowser();
    if (!installation) {
      post_([done = std::move(done)] { done(kEngineNotFound, nullptr); });
      return S_OK;
    }
    auto link = std::make_shared<BrowserLink>(post_, log_, version_);
    std::string extra = options ? toUtf8(options->additionalBrowserArguments) : std::string();
    // Starting takes a while: the UI thread keeps running meanwhile.
    std::thread([link, installation = *installation, profile = std::filesystem::path(profileFolder),
                 extra = std::move(extra), done = std::move(done)] {
      if (!runGuarded(link->log, "the browser's start", [&] { startBrowser(link, installation, profile, extra, done); })) {
        runGuarded(link->log, "the browser's start",
                   [&] { link->post([done] { done(E_FAIL, nullptr); }); });
      }
    }).detach();
    return S_OK;
  }

 private:
  UiPost post_;
  LogSink& log_;
  std::shared_ptr<std::string> version_;
};

}  // namespace

std::unique_ptr<Engine> makeChromiumEngine(UiPost post, LogSink& log) {
  return std::make_unique<ChromiumEngine>(std::move(post), log);
}

bool chromiumAvailable() { return findBrowser().has_value(); }

}  // namespace myr::browser::chromium
