#include "webui/browser/chromium/page_requests_win.h"

#include "foundation/bytes/base64.h"
#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"

namespace myr::browser::chromium {
namespace {

// Page files are small; a larger file is not something the page folder should serve.
constexpr std::uint64_t kLargestServedFile = 64ull * 1024 * 1024;

FetchAnswer fulfil(const std::string& requestId, int status, const std::string& contentType,
                   const std::string& body) {
  json::Value type;
  type.set("name", "Content-Type").set("value", contentType);
  json::Value noCache;
  noCache.set("name", "Cache-Control").set("value", "no-cache");
  json::Value response;
  response.set("requestId", requestId)
      .set("responseCode", status)
      .set("responseHeaders", json::Value::array().push(type).push(noCache))
      .set("body", encodeBase64(body));
  return {"Fetch.fulfillRequest", std::move(response)};
}

FetchAnswer notFound(const std::string& requestId) {
  return fulfil(requestId, 404, "text/plain; charset=utf-8", "Not found");
}

// The origin of the page that asked: its Origin header, else the origin of its Referer.
std::string requesterOf(const json::Value& request) {
  const json::Value& headers = request.get("headers");
  const std::string& origin = headers.get("Origin").asString();
  return origin.empty() ? originOf(headers.get("Referer").asString()) : origin;
}

}  // namespace

void PageRequests::map(const std::string& host, const std::filesystem::path& folder, RouteAccess access) {
  const std::size_t index = routes_.map(host, access);
  if (index == folders_.size()) {
    folders_.push_back(folder);
  } else {
    folders_[index] = folder;
  }
}

FetchAnswer PageRequests::answer(const json::Value& paused) const {
  const std::string& requestId = paused.get("requestId").asString();
  const json::Value& request = paused.get("request");
  const Route route = routes_.route(request.get("url").asString(), requesterOf(request));
  switch (route.kind) {
    case Route::Kind::File:
      return serveFile(requestId, route);
    case Route::Kind::NotFound:
      return notFound(requestId);
    case Route::Kind::Refused:
      break;
  }
  return refuse(paused, "BlockedByClient");
}

FetchAnswer PageRequests::refuse(const json::Value& paused, const std::string& reason) {
  return {"Fetch.failRequest", json::Value().set("requestId", paused.get("requestId")).set("errorReason", reason)};
}

FetchAnswer PageRequests::serveFile(const std::string& requestId, const Route& route) const {
  std::wstring relative = toWide(route.relativePath);
  for (wchar_t& c : relative) {
    if (c == L'/') {
      c = L'\\';
    }
  }
  const Result<std::string> body = readFileLimited(folders_[route.folder] / relative, kLargestServedFile);
  return body ? fulfil(requestId, 200, route.contentType, *body) : notFound(requestId);
}

}  // namespace myr::browser::chromium
