// The headless page's reader when the UI thread falls behind: a page that asks faster than the
// launcher answers waits in its pipe, and every line still arrives once, in order.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "foundation/files/win_handle.h"
#include "foundation/files/win_text.h"
#include "support/recording_log.h"
#include "webui/browser/stdio_backend_win.h"
#include "webui/browser/ui_thread_queue_win.h"

namespace myr::browser {
namespace {

// The reader is the engine's for the whole process and outlives the test, and so does its log.
testing::RecordingLog& readerLog() {
  static auto* log = new testing::RecordingLog;
  return *log;
}

void runUiThreadOnce() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    DispatchMessageW(&message);
  }
  Sleep(1);
}

template <typename Done>
bool runUiThreadUntil(Done done, std::chrono::seconds timeout = std::chrono::seconds(60)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    runUiThreadOnce();
  }
  return true;
}

std::string numberedLine(int n) { return "line " + std::to_string(n) + " " + std::string(2000, 'x'); }

TEST(HeadlessPageInput, AUiThreadThatFallsBehindHoldsThePageBackAndLosesNothing) {
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 0));
  WinHandle pageEnd(write);
  // The reader keeps reading the launcher's standard input after the test: its end stays open.
  SetStdHandle(STD_INPUT_HANDLE, read);

  auto queue = std::make_shared<UiThreadQueue>(readerLog());
  const std::unique_ptr<Engine> engine = makeStdioEngine(queue, readerLog());
  std::shared_ptr<Controller> controller;
  ASSERT_EQ(engine->createEnvironment(L"", nullptr,
                                      [&](HRESULT, std::shared_ptr<Environment> environment) {
                                        return environment->createController(
                                            nullptr, [&](HRESULT, std::shared_ptr<Controller> created) {
                                              controller = std::move(created);
                                              return S_OK;
                                            });
                                      }),
            S_OK);
  ASSERT_TRUE(runUiThreadUntil([&] { return controller != nullptr; }));
  std::vector<std::string> received;
  const std::shared_ptr<View> view = controller->view();
  view->onWebMessage([&](const WebMessage& message) { received.push_back(toUtf8(message.text.value_or(L""))); });
  view->navigate(L"https://ui.example/");

  constexpr int kLines = 4000;  // about 8 MB
  std::atomic<std::size_t> sent{0};
  std::thread page([&] {
    for (int n = 0; n < kLines; ++n) {
      const std::string text = numberedLine(n) + "\n";
      DWORD written = 0;
      if (!WriteFile(pageEnd.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) return;
      sent += written;
    }
  });
  // The UI thread is busy elsewhere for two seconds: the reader may take a bounded lead on it,
  // a few hundred kilobytes with its own buffer and the pipe's, never the page's eight megabytes.
  constexpr std::size_t kFarAhead = 1024 * 1024;
  const auto busyUntil = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (std::chrono::steady_clock::now() < busyUntil && sent < kFarAhead) Sleep(10);
  EXPECT_LT(sent.load(), kFarAhead);

  ASSERT_TRUE(runUiThreadUntil([&] { return received.size() >= kLines; })) << received.size();
  page.join();
  runUiThreadOnce();
  ASSERT_EQ(received.size(), static_cast<std::size_t>(kLines));
  for (int n = 0; n < kLines; ++n) {
    ASSERT_EQ(received[n], numberedLine(n)) << n;
  }
  controller->close();
  queue->close();
}

}  // namespace
}  // namespace myr::browser
