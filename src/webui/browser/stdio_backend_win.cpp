#include "webui/browser/stdio_backend_win.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <iterator>
#include <mutex>
#include <vector>
#include <string>
#include <thread>
#include <utility>

#include "foundation/files/win_text.h"
#include "foundation/guard.h"
#include "foundation/json/json.h"
#include "webui/browser/png_encoder.h"
#include "webui/browser/ui_thread_queue_win.h"

namespace myr::browser {
namespace {

// Longer lines can never come down to the bridge's limit, so they are not kept in memory.
constexpr size_t kLongestKeptLine = 4 * 1024 * 1024;
// Lines read ahead of the UI thread. Beyond these the reader stops reading, so that a page that
// asks faster than the launcher answers waits in its pipe instead of in the launcher's memory
// (and a busy queue never meets the system's limit of posted messages).
constexpr size_t kMostLinesAhead = 1000;
constexpr size_t kMostBytesAhead = 256 * 1024;

// WriteFile hands a pipe the line at once; FlushFileBuffers would wait for the reader instead,
// holding the UI thread.
void writeLine(HANDLE stream, std::string_view line) {
  std::string text;
  text.reserve(line.size() + 1);
  text.append(line).append("\n");
  DWORD written = 0;
  WriteFile(stream, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void note(const std::string& text) { writeLine(GetStdHandle(STD_ERROR_HANDLE), "[page] " + text); }

class StdioView;

// Standard input is one stream for the whole process, so the engine keeps one reader for all
// its browsers: lines go to the view that shows the page now, or wait for the next one while
// the browser is re-created.
class PageInput : public std::enable_shared_from_this<PageInput> {
 public:
  PageInput(std::shared_ptr<UiThreadQueue> queue, LogSink& log) : queue_(std::move(queue)), log_(log) {}

  // A page is on its way (its browser is being created): lines wait for it.
  void expectPage() { pageExpected_ = true; }
  void showPagesIn(HWND window) { window_ = window; }
  bool post(std::function<void()> work) { return queue_->post(std::move(work)); }
  void attach(StdioView* view);
  void detach(StdioView* view) {
    if (view_ == view) {
      view_ = nullptr;
    }
  }

 private:
  struct Line {
    bool endOfInput = false;
    std::string text;
  };

  void startReader();
  void readLines();
  // Reader thread: waits while the UI thread is too far behind; false when the launcher no
  // longer takes lines.
  bool hand(Line line);
  void receive();
  void deliverPending();

  void closeWindowWithoutPage();

  std::shared_ptr<UiThreadQueue> queue_;
  LogSink& log_;
  StdioView* view_ = nullptr;
  HWND window_ = nullptr;
  bool pageExpected_ = false;
  bool readerStarted_ = false;
  bool delivering_ = false;
  std::deque<Line> pending_;

  // Between the reader and the UI thread: one posted message wakes the UI thread for all the
  // lines that arrive until it takes them.
  std::mutex inboxMutex_;
  std::condition_variable inboxTaken_;
  std::deque<Line> inbox_;
  size_t inboxBytes_ = 0;
};

class StdioView final : public ViewEventHandlers, public std::enable_shared_from_this<StdioView> {
 public:
  explicit StdioView(std::shared_ptr<PageInput> input) : input_(std::move(input)) {}
  ~StdioView() override { input_->detach(this); }

  ViewSettings& settings() override { return settings_; }
  bool supportsHostMapping() const override { return true; }
  void mapHostToFolder(const std::wstring&, const std::wstring&, HostAccess) override {}
  // Nothing is loaded, so nothing is asked for.
  void serveFromMemory(const std::wstring&, MemoryResourceMaker) override {}
  bool supportsDownloadEvents() const override { return true; }

  void navigate(const std::wstring& uri) override {
    documentUri_ = uri;
    note("navigate " + toUtf8(uri));
    input_->attach(this);
  }

  void reload() override { note("reload"); }

  void postJson(const std::wstring& json) override { postJsonUtf8(toUtf8(json)); }
  void postJsonUtf8(std::string_view json) override { writeLine(GetStdHandle(STD_OUTPUT_HANDLE), json); }

  // The headless page has no pixels of its own: its picture is the view's area in its background colour.
  void capturePng(IStream* stream, std::function<void(HRESULT)> done) override {
    const Result<std::string> png = encodeRgbPng(width_, height_, flatPixels());
    ULONG written = 0;
    HRESULT result = png ? stream->Write(png->data(), static_cast<ULONG>(png->size()), &written) : E_INVALIDARG;
    if (SUCCEEDED(result) && written != png->size()) {
      result = STG_E_MEDIUMFULL;
    }
    note("captured " + std::to_string(width_) + "x" + std::to_string(height_));
    input_->post([done = std::move(done), result] { done(result); });
  }

  void setArea(const RECT& bounds) {
    width_ = static_cast<std::uint32_t>(std::max<LONG>(1, bounds.right - bounds.left));
    height_ = static_cast<std::uint32_t>(std::max<LONG>(1, bounds.bottom - bounds.top));
  }
  void setBackground(COLORREF colour) { background_ = colour; }

  // One line the page "posts"; a few reserved lines stand for what a user or the system does.
  void pageLine(const std::string& line) {
    if (const auto control = controlLine(line)) {
      actOn(*control);
      return;
    }
    if (webMessage_) {
      webMessage_(WebMessage{documentUri_, toWide(line)});
    }
  }

  void pageClosed() {
    note("end of input");
    if (abandoned_) {
      abandoned_();
    }
  }

 private:
  static std::optional<json::Value> controlLine(const std::string& line) {
    if (line.empty() || line.front() != '{' || line.find("\"$") == std::string::npos) {
      return std::nullopt;
    }
    auto value = json::parse(line);
    if (!value || value->members().size() != 1 || value->members().front().first.front() != '$') {
      return std::nullopt;
    }
    return value;
  }

  void actOn(const json::Value& control) {
    if (const auto& target = control.get("$navigate"); target.isString()) {
      NavigationStarting navigation{toWide(target.asString())};
      if (navigationStarting_) {
        navigationStarting_(navigation);
      }
      note((navigation.cancel ? "navigation cancelled " : "navigated ") + target.asString());
      if (!navigation.cancel) {
        documentUri_ = navigation.uri;
      }
    } else if (const auto& crash = control.get("$crash");
               crash.asString() == "browser" || crash.asString() == "render") {
      if (processFailed_) {
        processFailed_(crash.asString() == "browser" ? ProcessFailure::BrowserProcessExited
                                                     : ProcessFailure::RenderProcessExited);
      }
    } else {
      note("unknown control line");
    }
  }

  std::vector<std::uint8_t> flatPixels() const {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width_) * height_ * 3);
    for (std::size_t i = 0; i < rgb.size(); i += 3) {
      rgb[i] = GetRValue(background_);
      rgb[i + 1] = GetGValue(background_);
      rgb[i + 2] = GetBValue(background_);
    }
    return rgb;
  }

  std::shared_ptr<PageInput> input_;
  HeadlessViewSettings settings_;
  std::uint32_t width_ = 1;
  std::uint32_t height_ = 1;
  COLORREF background_ = RGB(255, 255, 255);
  std::wstring documentUri_;
};

void PageInput::attach(StdioView* view) {
  view_ = view;
  pageExpected_ = false;
  startReader();
  deliverPending();
}

void PageInput::startReader() {
  if (readerStarted_) {
    return;
  }
  readerStarted_ = true;
  std::thread([input = shared_from_this()] {
    runGuarded(input->log_, "the headless page's reader", [&] { input->readLines(); });
  }).detach();
}

void PageInput::readLines() {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  std::string line;
  bool tooLong = false;
  char buffer[64 * 1024];
  DWORD got = 0;
  while (input != nullptr && input != INVALID_HANDLE_VALUE && ReadFile(input, buffer, sizeof buffer, &got, nullptr) &&
         got > 0) {
    for (DWORD i = 0; i < got; ++i) {
      if (buffer[i] != '\n') {
        if (line.size() < kLongestKeptLine) {
          line += buffer[i];
        } else {
          tooLong = true;
        }
        continue;
      }
      if (!line.empty() && line.back() == '\r') {
        line.pop_back();
      }
      if (!tooLong && !hand(Line{false, std::move(line)})) {
        return;
      }
      line.clear();
      tooLong = false;
    }
  }
  if (!line.empty() && !tooLong && !hand(Line{false, std::move(line)})) {
    return;
  }
  hand(Line{true, {}});
}

bool PageInput::hand(Line line) {
  bool wakeUiThread = false;
  {
    std::unique_lock lock(inboxMutex_);
    inboxTaken_.wait(lock, [&] { return inbox_.size() < kMostLinesAhead && inboxBytes_ < kMostBytesAhead; });
    wakeUiThread = inbox_.empty();
    inboxBytes_ += line.text.size();
    inbox_.push_back(std::move(line));
  }
  return !wakeUiThread || queue_->post([input = shared_from_this()] { input->receive(); });
}

void PageInput::receive() {
  std::deque<Line> arrived;
  {
    const std::lock_guard lock(inboxMutex_);
    arrived.swap(inbox_);
    inboxBytes_ = 0;
  }
  inboxTaken_.notify_one();
  std::move(arrived.begin(), arrived.end(), std::back_inserter(pending_));
  deliverPending();
}

void PageInput::deliverPending() {
  // Lines keep their order even if a handler runs a nested message loop.
  if (delivering_) {
    return;
  }
  delivering_ = true;
  // A handler may destroy the view (a browser failure), so the view is looked up per line.
  while (view_ != nullptr && !pending_.empty()) {
    Line line = std::move(pending_.front());
    pending_.pop_front();
    const std::shared_ptr<StdioView> view = view_->shared_from_this();
    if (line.endOfInput) {
      view->pageClosed();
    } else {
      view->pageLine(line.text);
    }
  }
  delivering_ = false;
  if (view_ == nullptr && !pageExpected_ && !pending_.empty() && pending_.back().endOfInput) {
    closeWindowWithoutPage();
  }
}

// Input ended while no page is left to ask: nobody else can close the window, so a
// headless run would never end.
void PageInput::closeWindowWithoutPage() {
  note("end of input without a page");
  pending_.clear();
  PostMessageW(window_, WM_CLOSE, 0, 0);
}

class StdioController final : public Controller {
 public:
  explicit StdioController(std::shared_ptr<PageInput> input)
      : input_(input), view_(std::make_shared<StdioView>(std::move(input))) {}
  std::shared_ptr<View> view() override { return view_; }
  void setBounds(const RECT& bounds) override { view_->setArea(bounds); }
  void setVisible(bool) override {}
  void moveFocusProgrammatic() override {}
  void notifyParentWindowPositionChanged() override {}
  bool setDefaultBackgroundColor(COLORREF colour) override {
    view_->setBackground(colour);
    return true;
  }
  void close() override { input_->detach(view_.get()); }

 private:
  std::shared_ptr<PageInput> input_;
  std::shared_ptr<StdioView> view_;
};

class StdioEnvironment final : public Environment {
 public:
  explicit StdioEnvironment(std::shared_ptr<PageInput> input) : input_(std::move(input)) {}
  HRESULT createController(HWND parent, ControllerCreated done) override {
    input_->showPagesIn(parent);
    return input_->post(
               [input = input_, done = std::move(done)] { done(S_OK, std::make_shared<StdioController>(input)); })
               ? S_OK
               : E_FAIL;
  }

 private:
  std::shared_ptr<PageInput> input_;
};

class StdioEngine final : public Engine {
 public:
  StdioEngine(std::shared_ptr<UiThreadQueue> queue, LogSink& log)
      : input_(std::make_shared<PageInput>(std::move(queue), log)) {}
  std::wstring installedVersion() override { return L"stdio"; }
  HRESULT createEnvironment(const std::wstring&, const EnvironmentOptions* options, EnvironmentCreated done) override {
    // From here on, lines already read belong to the page this browser will show.
    input_->expectPage();
    if (options != nullptr) {
      note("browser arguments " + toUtf8(options->additionalBrowserArguments));
    }
    return input_->post(
               [input = input_, done = std::move(done)] { done(S_OK, std::make_shared<StdioEnvironment>(input)); })
               ? S_OK
               : E_FAIL;
  }

 private:
  std::shared_ptr<PageInput> input_;
};

}  // namespace

std::unique_ptr<Engine> makeStdioEngine(std::shared_ptr<UiThreadQueue> queue, LogSink& log) {
  return std::make_unique<StdioEngine>(std::move(queue), log);
}

}  // namespace myr::browser
