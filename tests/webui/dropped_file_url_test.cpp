#include "webui/dropped_file_url.h"

#include <gtest/gtest.h>

namespace myr::webui {
namespace {

TEST(DroppedFileUrl, EscapedUtf8LettersComeBackAndOtherEscapesStay) {
  struct Case {
    const char* url;
    const char* expected;
  };
  const Case cases[] = {
      {"file:///C:/games/d%C3%A9mo.iso", "file:///C:/games/d\xC3\xA9mo.iso"},
      {"file:///C:/%E3%82%B2%E3%83%BC%E3%83%A0/a.iso", "file:///C:/\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0/a.iso"},
      {"file:///C:/%f0%9f%8e%ae.iso", "file:///C:/\xF0\x9F\x8E\xAE.iso"},
      // ASCII escapes are the conversion's business: a blank, "%" itself, "#".
      {"file:///C:/a%20b%25c%23d.iso", "file:///C:/a%20b%25c%23d.iso"},
      // Not UTF-8: a lone continuation byte, a cut sequence, an overlong form, a surrogate.
      {"file:///C:/%A9.iso", "file:///C:/%A9.iso"},
      {"file:///C:/%C3.iso", "file:///C:/%C3.iso"},
      {"file:///C:/%C3%", "file:///C:/%C3%"},
      {"file:///C:/%C0%AF.iso", "file:///C:/%C0%AF.iso"},
      {"file:///C:/%ED%A0%80.iso", "file:///C:/%ED%A0%80.iso"},
      {"file:///C:/%C3%A9%C3.iso", "file:///C:/\xC3\xA9%C3.iso"},
      {"%", "%"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(unescapeUtf8Letters(c.url), c.expected) << c.url;
  }
}

}  // namespace
}  // namespace myr::webui
