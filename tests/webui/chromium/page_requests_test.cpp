// The page's requests answered from its folders: a file with its type and no caching, a missing
// file as 404, anything outside as a refusal, and the requester's origin checked.

#include "webui/browser/chromium/page_requests_win.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "foundation/bytes/base64.h"
#include "support/temp_folder.h"

namespace myr::browser::chromium {
namespace {

json::Value paused(const std::string& url, const std::string& origin = "", const std::string& referer = "") {
  json::Value headers = json::Value::object();
  if (!origin.empty()) headers.set("Origin", origin);
  if (!referer.empty()) headers.set("Referer", referer);
  json::Value request;
  request.set("url", url).set("headers", headers);
  return json::Value().set("requestId", "R7").set("request", request);
}

std::string header(const json::Value& params, const std::string& name) {
  for (const json::Value& entry : params.get("responseHeaders").items()) {
    if (entry.get("name").asString() == name) return entry.get("value").asString();
  }
  return {};
}

class Requests : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(page / L"index.html", std::ios::binary) << "<p>page</p>";
    std::ofstream(art / L"cover.png", std::ios::binary) << std::string("\x89PNG\0x", 6);
    requests.map("launcher.myr.example", page.path(), RouteAccess::Deny);
    requests.map("art.myr.example", art.path(), RouteAccess::DenyCors);
  }
  testing::TempFolder page;
  testing::TempFolder art;
  PageRequests requests;
};

TEST_F(Requests, FilesOfTheFoldersWithTheirTypeAndNeverCached) {
  struct Case {
    const char* url;
    std::string body;
    const char* type;
  };
  const Case cases[] = {
      {"https://launcher.myr.example/index.html", "<p>page</p>", "text/html; charset=utf-8"},
      {"https://art.myr.example/cover.png", std::string("\x89PNG\0x", 6), "image/png"},
  };
  for (const Case& c : cases) {
    const FetchAnswer answer = requests.answer(paused(c.url, "https://launcher.myr.example"));
    EXPECT_EQ(answer.method, "Fetch.fulfillRequest") << c.url;
    EXPECT_EQ(answer.params.get("requestId").asString(), "R7");
    EXPECT_EQ(answer.params.get("responseCode").asNumber(0), 200) << c.url;
    EXPECT_EQ(decodeBase64(answer.params.get("body").asString()), c.body) << c.url;
    EXPECT_EQ(header(answer.params, "Content-Type"), c.type) << c.url;
    EXPECT_EQ(header(answer.params, "Cache-Control"), "no-cache") << c.url;
  }
}

TEST_F(Requests, MissingFilesAreNotFoundAndOtherPlacesRefused) {
  const FetchAnswer missing = requests.answer(paused("https://launcher.myr.example/gone.js"));
  EXPECT_EQ(missing.method, "Fetch.fulfillRequest");
  EXPECT_EQ(missing.params.get("responseCode").asNumber(0), 404);
  for (const FetchAnswer& refused : {requests.answer(paused("https://elsewhere.example/")),
                                     requests.answer(paused("https://launcher.myr.example/index.html",
                                                            "https://art.myr.example")),
                                     requests.answer(paused("https://launcher.myr.example/index.html", "",
                                                            "https://elsewhere.example/page.html"))}) {
    EXPECT_EQ(refused.method, "Fetch.failRequest");
    EXPECT_EQ(refused.params.get("errorReason").asString(), "BlockedByClient");
    EXPECT_EQ(refused.params.get("requestId").asString(), "R7");
  }
}

TEST_F(Requests, AMappingMadeAgainServesTheNewFolder) {
  const testing::TempFolder other;
  std::ofstream(other / L"index.html", std::ios::binary) << "other";
  requests.map("LAUNCHER.myr.example", other.path(), RouteAccess::Deny);
  const FetchAnswer answer = requests.answer(paused("https://launcher.myr.example/index.html"));
  EXPECT_EQ(decodeBase64(answer.params.get("body").asString()), "other");
}

}  // namespace
}  // namespace myr::browser::chromium
