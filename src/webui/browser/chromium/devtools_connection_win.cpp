#include "webui/browser/chromium/devtools_connection_win.h"

#include <thread>
#include <vector>

#include "foundation/files/win_text.h"

namespace myr::browser::chromium {
namespace {

constexpr std::chrono::milliseconds kWatchInterval{100};
constexpr DWORD kReceiveChunk = 256 * 1024;
// Pictures of large windows are the biggest messages; anything far beyond is not a browser talking.
constexpr std::size_t kLargestMessage = 256 * 1024 * 1024;

Error connectionError(const char* step, DWORD code) {
  return Error{
      std::string("The browser's debugging connection could not be opened (") + step + "): " + systemErrorText(code),
      code};
}

constexpr int kVersionTimeoutMs = 2000;
constexpr std::size_t kLargestVersionAnswer = 64 * 1024;

}  // namespace

std::optional<std::string> readVersionJson(int port) {
  InternetHandle session(
      WinHttpOpen(L"myr_launcher", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session ||
      !WinHttpSetTimeouts(session.get(), kVersionTimeoutMs, kVersionTimeoutMs, kVersionTimeoutMs, kVersionTimeoutMs)) {
    return std::nullopt;
  }
  InternetHandle connection(WinHttpConnect(session.get(), L"127.0.0.1", static_cast<INTERNET_PORT>(port), 0));
  InternetHandle request(connection ? WinHttpOpenRequest(connection.get(), L"GET", L"/json/version", nullptr,
                                                         WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0)
                                    : nullptr);
  if (!request ||
      !WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
      !WinHttpReceiveResponse(request.get(), nullptr)) {
    return std::nullopt;
  }
  std::string answer;
  char buffer[4096];
  DWORD got = 0;
  while (WinHttpReadData(request.get(), buffer, sizeof buffer, &got) && got > 0) {
    answer.append(buffer, got);
    if (answer.size() > kLargestVersionAnswer) {
      return std::nullopt;
    }
  }
  return answer;
}

Result<std::shared_ptr<DevToolsConnection>> DevToolsConnection::open(int port, const std::string& path, UiPost post) {
  InternetHandle session(
      WinHttpOpen(L"myr_launcher", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) {
    return connectionError("session", GetLastError());
  }
  InternetHandle connection(WinHttpConnect(session.get(), L"127.0.0.1", static_cast<INTERNET_PORT>(port), 0));
  if (!connection) {
    return connectionError("connect", GetLastError());
  }
  const std::wstring widePath = toWide(path);
  InternetHandle request(WinHttpOpenRequest(connection.get(), L"GET", widePath.c_str(), nullptr, WINHTTP_NO_REFERER,
                                            WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
  if (!request) {
    return connectionError("request", GetLastError());
  }
  if (!WinHttpSetOption(request.get(), WINHTTP_OPTION_UPGRADE_TO_WEB_SOCKET, nullptr, 0) ||
      !WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
      !WinHttpReceiveResponse(request.get(), nullptr)) {
    return connectionError("handshake", GetLastError());
  }
  InternetHandle socket(WinHttpWebSocketCompleteUpgrade(request.get(), 0));
  if (!socket) {
    return connectionError("upgrade", GetLastError());
  }
  return std::shared_ptr<DevToolsConnection>(
      new DevToolsConnection(std::move(session), std::move(connection), std::move(socket), std::move(post)));
}

DevToolsConnection::DevToolsConnection(InternetHandle session, InternetHandle connection, InternetHandle socket,
                                       UiPost post)
    : session_(std::move(session)),
      connection_(std::move(connection)),
      socket_(std::move(socket)),
      post_(std::move(post)) {}

void DevToolsConnection::start(EventSink events, LostHandler lost) {
  events_ = std::move(events);
  lost_ = std::move(lost);
  std::thread([self = shared_from_this()] { self->readLoop(); }).detach();
  std::thread([self = shared_from_this()] { self->watchLoop(); }).detach();
}

void DevToolsConnection::call(std::string_view method, const json::Value& params, std::string_view sessionId,
                              ReplyHandler done, std::chrono::milliseconds timeout) {
  callWithText(method, params.isObject() ? json::write(params) : std::string("{}"), sessionId, std::move(done),
               timeout);
}

void DevToolsConnection::callWithText(std::string_view method, std::string_view params, std::string_view sessionId,
                                      ReplyHandler done, std::chrono::milliseconds timeout) {
  int id = 0;
  {
    std::lock_guard lock(mutex_);
    if (ended_) {
      return;
    }
    id = nextId_++;
    pending_[id] = Pending{std::move(done), std::chrono::steady_clock::now() + timeout};
  }
  const std::string text = devToolsCommand(id, method, params, sessionId);
  DWORD result = 0;
  {
    std::lock_guard lock(sendMutex_);
    result = WinHttpWebSocketSend(socket_.get(), WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE,
                                  const_cast<char*>(text.data()), static_cast<DWORD>(text.size()));
  }
  if (result != ERROR_SUCCESS) {
    fail("sending to the browser failed: " + systemErrorText(result));
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
  // The browser answers with its own close, which ends the reader.
  std::lock_guard lock(sendMutex_);
  WinHttpWebSocketShutdown(socket_.get(), WINHTTP_WEB_SOCKET_SUCCESS_CLOSE_STATUS, nullptr, 0);
}

void DevToolsConnection::readLoop() {
  std::vector<char> buffer(kReceiveChunk);
  std::string message;
  while (true) {
    DWORD got = 0;
    WINHTTP_WEB_SOCKET_BUFFER_TYPE type{};
    const DWORD result = WinHttpWebSocketReceive(socket_.get(), buffer.data(), kReceiveChunk, &got, &type);
    if (result != ERROR_SUCCESS) {
      fail("the connection to the browser broke: " + systemErrorText(result));
      return;
    }
    if (type == WINHTTP_WEB_SOCKET_CLOSE_BUFFER_TYPE) {
      fail("the browser closed its connection");
      return;
    }
    if (message.size() + got > kLargestMessage) {
      fail("the browser sent an oversized message");
      return;
    }
    message.append(buffer.data(), got);
    if (type == WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE || type == WINHTTP_WEB_SOCKET_BINARY_MESSAGE_BUFFER_TYPE) {
      dispatch(std::move(message));
      message.clear();
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
    done = std::move(found->second.done);
    pending_.erase(found);
  }
  if (done) {
    post([done = std::move(done), reply = std::move(*incoming->reply)] { done(reply); });
  }
}

void DevToolsConnection::watchLoop() {
  std::unique_lock lock(mutex_);
  while (!ended_) {
    changed_.wait_for(lock, kWatchInterval);
    const auto now = std::chrono::steady_clock::now();
    for (const auto& [id, pending] : pending_) {
      if (pending.deadline <= now) {
        lock.unlock();
        fail("the browser stopped answering");
        return;
      }
    }
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
    abandoned.swap(pending_);
  }
  changed_.notify_all();
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
