// The launcher's side of the DevTools pipe, with a stand-in Windows browser: the pipe reaches it as
// its descriptors 3 and 4, and nothing the browser or the launcher's own code does on the
// connection's threads can hold a thread for good or end the process.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include "support/fake_browser.h"
#include "support/recording_log.h"
#include "support/temp_folder.h"
#include "webui/browser/chromium/browser_process_win.h"
#include "webui/browser/chromium/devtools_connection_win.h"
#include "webui/browser/ui_thread_queue_win.h"

namespace myr::browser::chromium {
namespace {

using namespace std::chrono_literals;
using myr::testing::pumpMessages;

template <class Condition>
bool pumpUntil(Condition condition, std::chrono::milliseconds timeout = 20s) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition() && std::chrono::steady_clock::now() < deadline) {
    pumpMessages();
    std::this_thread::sleep_for(5ms);
  }
  return condition();
}

class PipeBrowser : public ::testing::Test {
 protected:
  void SetUp() override {
    Result<BrowserProcess::Started> started = BrowserProcess::start({MYR_PIPE_BROWSER, {}}, profile.path(), "");
    ASSERT_TRUE(started) << started.error().message;
    process = std::move(started->process);
    pipe = std::move(started->pipe);
  }

  // A connection whose work for the UI thread goes through post.
  std::shared_ptr<DevToolsConnection> connect(UiPost post, DevToolsConnection::EventSink events = [](DevToolsEvent&&) {}) {
    Result<std::shared_ptr<DevToolsConnection>> opened = DevToolsConnection::open(std::move(pipe), std::move(post), log);
    EXPECT_TRUE(opened);
    (*opened)->start(std::move(events), [this](const std::string& reason) { lostReason = reason; });
    return *opened;
  }

  std::shared_ptr<DevToolsConnection> connect() {
    return connect([queue = queue](std::function<void()> work) { return queue->post(std::move(work)); });
  }

  std::optional<DevToolsReply> callAndWait(DevToolsConnection& connection, std::string_view method) {
    std::optional<DevToolsReply> reply;
    connection.call(method, json::Value::object(), {}, [&](const DevToolsReply& answer) { reply = answer; });
    pumpUntil([&] { return reply.has_value(); });
    return reply;
  }

  myr::testing::TempFolder profile;
  myr::testing::RecordingLog log;
  std::shared_ptr<UiThreadQueue> queue = std::make_shared<UiThreadQueue>(log);
  std::unique_ptr<BrowserProcess> process;
  DevToolsPipe pipe;
  std::optional<std::string> lostReason;
};

TEST_F(PipeBrowser, AnswersOverItsDescriptorsThreeAndFour) {
  const auto connection = connect();
  // The version is that of its own answer, whatever was asked before it.
  ASSERT_TRUE(callAndWait(*connection, "Test.anything"));
  const Result<std::string> product = connection->waitForProduct(5s);
  ASSERT_TRUE(product) << product.error().message;
  EXPECT_EQ(*product, "StandIn/1.2.3.4");
  const std::optional<DevToolsReply> version = callAndWait(*connection, "Browser.getVersion");
  ASSERT_TRUE(version);
  EXPECT_FALSE(version->error);
  EXPECT_EQ(version->result.get("product").asString(), "StandIn/1.2.3.4");
  connection->close();
}

TEST_F(PipeBrowser, ThatEndsIsLost) {
  const auto connection = connect();
  connection->call("Browser.close", json::Value::object());
  ASSERT_TRUE(pumpUntil([&] { return lostReason.has_value(); }));
  EXPECT_NE(lostReason->find("pipe"), std::string::npos) << *lostReason;
}

// A megabyte fills the pipe of a browser that reads nothing: sending does not wait for it, and
// once the connection is closed its writer lets go, so that nothing holds the connection.
TEST_F(PipeBrowser, ThatStopsReadingHoldsNoThread) {
  std::weak_ptr<DevToolsConnection> watched;
  {
    const auto connection = connect();
    ASSERT_TRUE(callAndWait(*connection, "Test.stopReading"));
    const auto sending = std::chrono::steady_clock::now();
    connection->callWithText("Runtime.evaluate", "\"" + std::string(4 * 1024 * 1024, 'x') + "\"");
    EXPECT_LT(std::chrono::steady_clock::now() - sending, 500ms);
    watched = connection;
    // The writer is held by the full pipe by now.
    std::this_thread::sleep_for(500ms);
    connection->close();
  }
  EXPECT_TRUE(pumpUntil([&] { return watched.expired(); }, 5s));
}

TEST_F(PipeBrowser, ThatStopsAnsweringAPageOnlyFailsThatCall) {
  const auto connection = connect();
  ASSERT_TRUE(callAndWait(*connection, "Test.stopReading"));
  std::optional<DevToolsReply> reply;
  connection->call("Runtime.evaluate", json::Value::object(), "page-session",
                   [&](const DevToolsReply& answer) { reply = answer; }, 200ms);
  ASSERT_TRUE(pumpUntil([&] { return reply.has_value(); }, 5s));
  EXPECT_TRUE(reply->error);
  EXPECT_FALSE(lostReason);

  connection->call("Browser.getVersion", json::Value::object(), {}, {}, 200ms);
  ASSERT_TRUE(pumpUntil([&] { return lostReason.has_value(); }, 5s));
  EXPECT_EQ(*lostReason, "the browser stopped answering");
}

TEST_F(PipeBrowser, AnExceptionOnTheReaderIsLoggedAndLosesTheBrowser) {
  const auto connection = connect([queue = queue](std::function<void()> work) { return queue->post(std::move(work)); },
                                  [](DevToolsEvent&&) { throw std::runtime_error("an event nobody expected"); });
  connection->call("Test.event", json::Value::object());
  ASSERT_TRUE(pumpUntil([&] { return lostReason.has_value(); }));
  EXPECT_TRUE(log.contains("Internal error in the DevTools reader: an event nobody expected"));
}

TEST_F(PipeBrowser, AnExceptionOnTheWatcherIsLogged) {
  const auto connection =
      connect([](std::function<void()>) -> bool { throw std::runtime_error("the UI thread is gone"); });
  connection->call("Test.stopReading", json::Value::object());
  connection->call("Browser.getVersion", json::Value::object(), {}, {}, 200ms);
  EXPECT_TRUE(log.waitFor("Internal error in the DevTools watcher: the UI thread is gone", 5s));
}

}  // namespace
}  // namespace myr::browser::chromium
