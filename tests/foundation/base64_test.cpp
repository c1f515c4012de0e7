// Base64 as thumbnails and the browser's pictures carry it: one text for each byte string.

#include "foundation/bytes/base64.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace myr {
namespace {

TEST(Base64, MatchesTheRfcVectorsBothWays) {
  const std::pair<std::string, std::string> vectors[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {"\xFF\xEF\xBE", "/+++"},
      {std::string("\0\0\0\0", 4), "AAAAAA=="},
  };
  for (const auto& [bytes, text] : vectors) {
    EXPECT_EQ(encodeBase64(bytes), text) << text;
    EXPECT_EQ(decodeBase64(text), bytes) << text;
  }
}

TEST(Base64, RoundTripsEveryTailLength) {
  const std::string bytes("\x00\xFF\x10 binary \x80\x7F", 13);
  for (std::size_t length = 0; length <= bytes.size(); ++length) {
    const std::string part = bytes.substr(0, length);
    EXPECT_EQ(decodeBase64(encodeBase64(part)), part) << length;
  }
}

TEST(Base64, RefusesWhatIsNotPaddedStandardBase64) {
  for (const char* text : {"TWF", "TW=u", "TQ=", "T===", "TR==", "TWF=", "TW\nFu", "TW-u", "TWFu===="}) {
    EXPECT_EQ(decodeBase64(text), std::nullopt) << text;
  }
}

}  // namespace
}  // namespace myr
