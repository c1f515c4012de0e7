// Requests of the page reach files of the mapped folders and nothing else.

#include "webui/browser/chromium/host_routes.h"

#include <gtest/gtest.h>

namespace myr::browser::chromium {
namespace {

class Routes : public ::testing::Test {
 protected:
  void SetUp() override {
    EXPECT_EQ(routes.map("launcher.myr.example", RouteAccess::Deny), 0u);
    EXPECT_EQ(routes.map("Art.Myr.Example", RouteAccess::DenyCors), 1u);
  }
  HostRoutes routes;
};

TEST_F(Routes, FilesOfMappedHostsWithTheirTypes) {
  struct Case {
    const char* url;
    std::size_t folder;
    const char* relative;
    const char* type;
  };
  const Case cases[] = {
      {"https://launcher.myr.example/index.html", 0, "index.html", "text/html; charset=utf-8"},
      {"https://launcher.myr.example/js/app.mjs?v=2#top", 0, "js/app.mjs", "text/javascript; charset=utf-8"},
      {"https://LAUNCHER.myr.example/style.CSS", 0, "style.CSS", "text/css; charset=utf-8"},
      {"https://launcher.myr.example/fonts/a%20b.woff2", 0, "fonts/a b.woff2", "font/woff2"},
      {"https://launcher.myr.example/d%C3%A9mo.png", 0, "d\xC3\xA9mo.png", "image/png"},
      {"https://art.myr.example/cover.png", 1, "cover.png", "image/png"},
      {"https://launcher.myr.example/data", 0, "data", "application/octet-stream"},
  };
  for (const Case& c : cases) {
    const Route route = routes.route(c.url, "");
    EXPECT_EQ(route.kind, Route::Kind::File) << c.url;
    EXPECT_EQ(route.folder, c.folder) << c.url;
    EXPECT_EQ(route.relativePath, c.relative) << c.url;
    EXPECT_EQ(route.contentType, c.type) << c.url;
  }
}

TEST_F(Routes, NothingOutsideTheFolderIsServed) {
  for (const char* url : {
           "https://launcher.myr.example/",               // a folder, no file
           "https://launcher.myr.example/js/",            //
           "https://launcher.myr.example/../secret.txt",  // climbing out
           "https://launcher.myr.example/%2e%2e/secret.txt",
           "https://launcher.myr.example/a/%2E%2E/%2E%2E/x",
           "https://launcher.myr.example/a%2fb",  // an escaped separator
           "https://launcher.myr.example/a%5cb",
           "https://launcher.myr.example/C:/Windows/win.ini",
           "https://launcher.myr.example/index.html::$DATA",
           "https://launcher.myr.example/nul",  // devices
           "https://launcher.myr.example/com1.txt",
           "https://launcher.myr.example/a%00b",  // bad escapes
           "https://launcher.myr.example/a%zz",
           "https://launcher.myr.example/a%2",
           "https://launcher.myr.example/index.html.",  // aliases of other names
           "https://launcher.myr.example//index.html",
       }) {
    EXPECT_EQ(routes.route(url, "").kind, Route::Kind::NotFound) << url;
  }
}

TEST_F(Routes, OtherOriginsAreUnreachable) {
  for (const char* url : {"https://elsewhere.example/index.html", "http://launcher.myr.example/index.html",
                          "https://launcher.myr.example:8443/index.html", "https://launcher.myr.example.evil/x",
                          "https://launcher.myr.example", "file:///C:/index.html", "data:text/html,x", ""}) {
    EXPECT_EQ(routes.route(url, "").kind, Route::Kind::Refused) << url;
  }
}

TEST_F(Routes, DenyServesOnlyItsOwnPagesDenyCorsServesAnyPage) {
  const char* page = "https://launcher.myr.example/index.html";
  const char* picture = "https://art.myr.example/cover.png";
  EXPECT_EQ(routes.route(page, "https://launcher.myr.example").kind, Route::Kind::File);
  EXPECT_EQ(routes.route(page, "https://art.myr.example").kind, Route::Kind::Refused);
  EXPECT_EQ(routes.route(picture, "https://launcher.myr.example").kind, Route::Kind::File);
  EXPECT_EQ(routes.route(picture, "https://elsewhere.example").kind, Route::Kind::File);
}

TEST(RouteOrigin, IsSchemeAndHost) {
  EXPECT_EQ(originOf("https://launcher.myr.example/index.html?x#y"), "https://launcher.myr.example");
  EXPECT_EQ(originOf("https://art.myr.example"), "https://art.myr.example");
  EXPECT_EQ(originOf("no url"), "");
}

}  // namespace
}  // namespace myr::browser::chromium
