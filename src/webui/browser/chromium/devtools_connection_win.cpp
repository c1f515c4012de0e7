#include "webui/browser/chromium/devtools_connection_win.h"

#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "foundation/files/win_text.h"
#include "foundation/guard.h"

namespace myr::browser::chromium {
namespace {

constexpr std::chrono::milliseconds kWatchInterval{100};
// What a closed connection still has to write gets this long.
constexpr DWORD kDrainMs = 1000;
constexpr DWORD kReadChunk = 256 * 1024;
// Pictures of large windows are the biggest messages; anything far beyond is not a browser talking.
constexpr std::size_t kLargestMessage = 256 * 1024 * 1024;
constexpr char kPageTooLate[] = "the page did not answer in time";

WinHandle newEvent() { return WinHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr)); }

// The bytes one overlapped read or write moved; nothing when the pipe broke or stop was set first.
std::optional<DWORD> finish(HANDLE pipe, OVERLAPPED& overlapped, BOOL startedAtOnce, HANDLE stop) {
  if (!startedAtOnce && GetLastError() != ERROR_IO_PENDING) {
    return std::nullopt;
  }
  const HANDLE waits[] = {overlapped.hEvent, stop};
  if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
    CancelIoEx(pipe, &overlapped);
  }
  DWORD moved = 0;
  if (!GetOverlappedResult(pipe, &overlapped, &moved, TRUE)) {
    return std::nullopt;
  }
  return moved;
}

std::optional<DWORD> readSome(HANDLE pipe, std::vector<char>& buffer, HANDLE done, HANDLE stop) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = done;
  const BOOL started = ReadFile(pipe, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, &overlapped);
  return finish(pipe, overlapped, started, stop);
}

bool writeAll(HANDLE pipe, std::string_view bytes, HANDLE done, HANDLE stop) {
  while (!bytes.empty()) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = done;
    const BOOL started = WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, &overlapped);
    const std::optional<DWORD> written = finish(pipe, overlapped, started, stop);
    if (!written || *written == 0) {
      return false;
    }
    bytes.remove_prefix(*written);
  }
  return true;
}

}  // namespace

Result<std::shared_ptr<DevToolsConnection>> DevToolsConnection::open(DevToolsPipe pipe, UiPost post, LogSink& log) {
  WinHandle stopped = newEvent();
  WinHandle written = newEvent();
  WinHandle read = newEvent();
  if (!stopped || !written || !read) {
    const DWORD code = GetLastError();
    return Error{"The browser's connection could not be set up: " + systemErrorText(code), code};
  }
  return std::shared_ptr<DevToolsConnection>(new DevToolsConnection(
      std::move(pipe), std::move(stopped), std::move(written), std::move(read), std::move(post), log));
}

DevToolsConnection::DevToolsConnection(DevToolsPipe pipe, WinHandle stopped, WinHandle written, WinHandle read,
                                       UiPost post, LogSink& log)
    : pipe_(std::move(pipe)),
      stopped_(std::move(stopped)),
      written_(std::move(written)),
      read_(std::move(read)),
      post_(std::move(post)),
      log_(log) {}

void DevToolsConnection::start(EventSink events, LostHandler lost) {
  events_ = std::move(events);
  lost_ = std::move(lost);
  startThread("the DevTools reader", &DevToolsConnection::readLoop);
  startThread("the DevTools writer", &DevToolsConnection::writeLoop);
  startThread("the DevTools watcher", &DevToolsConnection::watchLoop);
}

// A thread of the connection: what it throws is logged and ends the connection.
void DevToolsConnection::startThread(const char* name, void (DevToolsConnection::*loop)()) {
  std::thread([self = shared_from_this(), name, loop] {
    if (!runGuarded(self->log_, name, [&] { (self.get()->*loop)(); })) {
      runGuarded(self->log_, name, [&] { self->fail(std::string(name) + " failed"); });
    }
  }).detach();
}

Result<std::string> DevToolsConnection::waitForProduct(std::chrono::milliseconds timeout) {
  send("Browser.getVersion", "{}", {},
       Pending{{}, std::chrono::steady_clock::now() + timeout, /*browserWide=*/true, /*asksProduct=*/true});
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, timeout, [this] { return product_ || ended_; });
  if (product_) {
    return *product_;
  }
  return Error{ended_ ? endReason_ : std::string("it did not answer in time")};
}

void DevToolsConnection::call(std::string_view method, const json::Value& params, std::string_view sessionId,
                              ReplyHandler done, std::chrono::milliseconds timeout) {
  callWithText(method, params.isObject() ? json::write(params) : std::string("{}"), sessionId, std::move(done),
               timeout);
}

void DevToolsConnection::callWithText(std::string_view method, std::string_view params, std::string_view sessionId,
                                      ReplyHandler done, std::chrono::milliseconds timeout) {
  send(method, params, sessionId, Pending{std::move(done), std::chrono::steady_clock::now() + timeout, sessionId.empty()});
}

void DevToolsConnection::send(std::string_view method, std::string_view params, std::string_view sessionId,
                              Pending pending) {
  int id = 0;
  {
    std::lock_guard lock(mutex_);
    if (ended_) {
      return;
    }
    id = nextId_++;
    pending_[id] = std::move(pending);
  }
  std::string command = devToolsCommand(id, method, params, sessionId);
  {
    std::lock_guard lock(mutex_);
    outgoing_.push_back(std::move(command));
  }
  changed_.notify_all();
}

// Once the connection is closed, what is left is written and the pipe let go.
void DevToolsConnection::writeLoop() {
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] { return ended_ || !outgoing_.empty(); });
    if (outgoing_.empty()) {
      lock.unlock();
      SetEvent(stopped_.get());
      return;
    }
    const std::string command = std::move(outgoing_.front());
    outgoing_.pop_front();
    lock.unlock();
    if (!writeAll(pipe_.commands.get(), command, written_.get(), stopped_.get())) {
      fail("sending to the browser failed: " + systemErrorText(GetLastError()));
      return;
    }
    lock.lock();
  }
}

void DevToolsConnection::close() {
  {
    std::lock_guard lock(mutex_);
    if (ended_) {
      return;
    }
    ended_ = true;
    pending_.clear();
  }
  changed_.notify_all();
}

void DevToolsConnection::wakeEveryWait() {
  SetEvent(stopped_.get());
  changed_.notify_all();
}

void DevToolsConnection::readLoop() {
  std::vector<char> buffer(kReadChunk);
  PipeMessages messages(kLargestMessage);
  std::vector<std::string> completed;
  while (true) {
    const std::optional<DWORD> got = readSome(pipe_.replies.get(), buffer, read_.get(), stopped_.get());
    if (!got) {
      fail("the browser's pipe broke: " + systemErrorText(GetLastError()));
      return;
    }
    if (*got == 0) {
      fail("the browser closed its pipe");
      return;
    }
    completed.clear();
    if (!messages.add(std::string_view(buffer.data(), *got), completed)) {
      fail("the browser sent an oversized message");
      return;
    }
    for (std::string& message : completed) {
      dispatch(std::move(message));
    }
  }
}

void DevToolsConnection::dispatch(std::string&& text) {
  std::optional<DevToolsIncoming> incoming = parseDevToolsMessage(text);
  if (!incoming) {
    return;
  }
  if (incoming->event) {
    {
      std::lock_guard lock(mutex_);
      if (ended_) {
        return;
      }
    }
    events_(std::move(*incoming->event));
    return;
  }
  ReplyHandler done;
  {
    std::lock_guard lock(mutex_);
    const auto found = pending_.find(incoming->reply->id);
    if (found == pending_.end()) {
      return;
    }
    if (found->second.asksProduct) {
      product_ = incoming->reply->result.get("product").asString();
    }
    done = std::move(found->second.done);
    pending_.erase(found);
  }
  changed_.notify_all();
  if (done) {
    post([done = std::move(done), reply = std::move(*incoming->reply)] { done(reply); });
  }
}

// Once the connection has ended, a writer still held by a browser that reads nothing is let go.
void DevToolsConnection::watchLoop() {
  std::unique_lock lock(mutex_);
  while (!ended_) {
    changed_.wait_for(lock, kWatchInterval);
    if (ended_) {
      break;
    }
    lock.unlock();
    expire(std::chrono::steady_clock::now());
    lock.lock();
  }
  lock.unlock();
  WaitForSingleObject(stopped_.get(), kDrainMs);
  SetEvent(stopped_.get());
}

// A page that did not answer in time gets its error; a browser that did not is lost.
void DevToolsConnection::expire(std::chrono::steady_clock::time_point now) {
  std::vector<std::pair<int, ReplyHandler>> late;
  bool browserLate = false;
  {
    std::lock_guard lock(mutex_);
    for (auto entry = pending_.begin(); entry != pending_.end();) {
      if (entry->second.deadline > now) {
        ++entry;
      } else if (entry->second.browserWide) {
        browserLate = true;
        ++entry;
      } else {
        late.emplace_back(entry->first, std::move(entry->second.done));
        entry = pending_.erase(entry);
      }
    }
  }
  for (auto& [id, done] : late) {
    if (done) {
      post([done = std::move(done), id = id] { done(DevToolsReply{id, {}, std::string(kPageTooLate)}); });
    }
  }
  if (browserLate) {
    fail("the browser stopped answering");
  }
}

// Every waiting command learns that its answer will not come, then the owner learns why.
void DevToolsConnection::fail(const std::string& reason) {
  std::map<int, Pending> abandoned;
  {
    std::lock_guard lock(mutex_);
    if (ended_) {
      return;
    }
    ended_ = true;
    endReason_ = reason;
    abandoned.swap(pending_);
    outgoing_.clear();
  }
  wakeEveryWait();
  for (auto& [id, pending] : abandoned) {
    if (pending.done) {
      post_([done = std::move(pending.done), id = id, reason] { done(DevToolsReply{id, {}, reason}); });
    }
  }
  post_([lost = lost_, reason] { lost(reason); });
}

void DevToolsConnection::post(std::function<void()> work) {
  post_([self = shared_from_this(), work = std::move(work)] {
    bool ended = false;
    {
      std::lock_guard lock(self->mutex_);
      ended = self->ended_;
    }
    if (!ended) {
      work();
    }
  });
}

}  // namespace myr::browser::chromium
