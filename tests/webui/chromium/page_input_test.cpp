// What passes between the page and the launcher outside the commands: posts of the page's
// shim, dropped files as the page's view names them, and the names of keys.

#include <gtest/gtest.h>

#include "foundation/json/json.h"
#include "webui/browser/chromium/file_url.h"
#include "webui/browser/chromium/key_names.h"
#include "webui/browser/chromium/page_shim.h"
#include "webui/dropped_file_url.h"

namespace myr::browser::chromium {
namespace {

TEST(PagePost, StringsOtherValuesAndCloseRequests) {
  const auto text = decodePagePost(R"(s{"id":1,"cmd":"init"})");
  ASSERT_TRUE(text);
  EXPECT_EQ(text->kind, PagePost::Kind::Message);
  EXPECT_EQ(text->text, R"({"id":1,"cmd":"init"})");
  const auto empty = decodePagePost("s");
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->text, "");
  const auto object = decodePagePost(R"(j{"id":1})");
  ASSERT_TRUE(object);
  EXPECT_EQ(object->kind, PagePost::Kind::Message);
  EXPECT_EQ(object->text, std::nullopt);
  const auto close = decodePagePost("c");
  ASSERT_TRUE(close);
  EXPECT_EQ(close->kind, PagePost::Kind::CloseRequested);
  for (const char* payload : {"", "x", "cx", "S{}"}) {
    EXPECT_EQ(decodePagePost(payload), std::nullopt) << payload;
  }
}

TEST(PageDelivery, TheJsonBecomesTheArgumentOfTheShimsReceiver) {
  const auto params = json::parse(deliveryParams(R"({"id":1,"result":{"text":"a \" ) ; x"}})", 4));
  ASSERT_TRUE(params);
  EXPECT_EQ(params->get("contextId").asNumber(0), 4);
  EXPECT_EQ(params->get("expression").asString(),
            R"(window.chrome.webview.__myrReceive({"id":1,"result":{"text":"a \" ) ; x"}}))");
}

TEST(DroppedFileUrl, NamesTheFileAsABrowserDoesAndComesBackWhole) {
  struct Case {
    const char* path;
    const char* url;
  };
  const Case cases[] = {
      {R"(C:\games\disc.iso)", "file:///C:/games/disc.iso"},
      {R"(C:\My Games\50% #1; (v2)?.iso)", "file:///C:/My%20Games/50%25%20%231%3B%20(v2)%3F.iso"},
      {"C:\\T\xC3\xA9l\xC3\xA9"
       "chargements\\a.iso",
       "file:///C:/T%C3%A9l%C3%A9chargements/a.iso"},
      {R"(\\server\share\disc.iso)", "file://server/share/disc.iso"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fileUrlFromPath(c.path), c.url) << c.path;
  }
  // The launcher decodes escaped letters itself before the system's conversion sees the URL.
  EXPECT_EQ(webui::unescapeUtf8Letters(fileUrlFromPath("C:\\T\xC3\xA9l\xC3\xA9"
                                                       "chargements\\a.iso")),
            "file:///C:/T\xC3\xA9l\xC3\xA9"
            "chargements/a.iso");
}

TEST(KeyNames, NamedKeysAndPhysicalCodes) {
  EXPECT_EQ(namedKey(0x0D), "Enter");
  EXPECT_EQ(namedKey(0x08), "Backspace");
  EXPECT_EQ(namedKey(0x25), "ArrowLeft");
  EXPECT_EQ(namedKey(0x7B), "F12");
  EXPECT_EQ(namedKey(0x41), "");  // "A" types a letter: its name is the letter
  EXPECT_EQ(physicalKeyCode(0x1E, false), "KeyA");
  EXPECT_EQ(physicalKeyCode(0x1D, false), "ControlLeft");
  EXPECT_EQ(physicalKeyCode(0x1D, true), "ControlRight");
  EXPECT_EQ(physicalKeyCode(0x4B, false), "Numpad4");
  EXPECT_EQ(physicalKeyCode(0x4B, true), "ArrowLeft");
  EXPECT_EQ(physicalKeyCode(0x7F, false), "");
}

}  // namespace
}  // namespace myr::browser::chromium
