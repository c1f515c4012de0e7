#include <gtest/gtest.h>

#include <string>

#include "foundation/files/file_names.h"
#include "foundation/files/utf8.h"

namespace myr {
namespace {

TEST(IsUtf8, AcceptsOnlyWellFormedText) {
  struct Case {
    std::string bytes;
    bool valid;
  };
  const Case cases[] = {
      {"", true},
      {"plain", true},
      {"caf\xC3\xA9", true},
      {"\xE2\x82\xAC", true},      // euro sign
      {"\xF0\x9F\x98\x80", true},  // emoji
      {"\xF4\x8F\xBF\xBF", true},  // U+10FFFF
      {std::string("a\0b", 3), true},
      {"\xC3", false},              // truncated
      {"\xC0\xAF", false},          // overlong slash
      {"\xE0\x80\xAF", false},      // overlong
      {"\xED\xA0\x80", false},      // surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\x80", false},              // lone continuation
      {"\xFF", false},
      {"\xE2\x82", false},
      {"\xC2\x80", true},               // smallest two-byte form
      {"\xC1\xBF", false},              // overlong two-byte form
      {"\xE0\xA0\x80", true},           // smallest three-byte form
      {"\xED\x9F\xBF", true},           // last before the surrogates
      {"\xED\xBF\xBF", false},          // last surrogate
      {"\xEE\x80\x80", true},           // first after the surrogates
      {"\xF0\x8F\xBF\xBF", false},      // overlong four-byte form
      {"\xF0\x90\x80\x80", true},       // smallest four-byte form
      {"\xF5\x80\x80\x80", false},      // lead byte beyond the range
      {"\xF8\x88\x80\x80\x80", false},  // five-byte form
      {"\xC3\x28", false},              // continuation missing
      {"ok\xC3", false},                // truncated at the end
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isUtf8(c.bytes), c.valid) << testing::PrintToString(c.bytes);
  }
}

TEST(IsSafeFileName, RefusesNamesThatEscapeOrAlias) {
  struct Case {
    std::string name;
    bool safe;
  };
  const Case cases[] = {
      {"save-001.myrsave", true},
      {"COM", true},
      {"COM10", true},
      {"CONSOLE", true},
      {"nul.", false},
      {"COM1", false},
      {"lpt9.txt", false},
      {"nul", false},
      {"Aux.json", false},
      {"prn", false},
      {"a.", false},
      {"a ", false},
      {"a|b", false},
      {"a/b", false},
      {"a\\b", false},
      {"c:x", false},
      {"a?", false},
      {"a*", false},
      {"<a>", false},
      {"\"a\"", false},
      {"a\tb", false},
      {".", false},
      {"..", false},
      {"", false},
      {".hidden", true},
      {std::string(128, 'a'), true},
      {std::string(129, 'a'), false},
      {"caf\xC3\xA9.png", true},
      {"COM0", false},
      {"COMA", true},
      {"CON.tar.gz", false},
      {"a\x1F", false},
      {"a\x7F", true},
      // Names Windows still reads as devices: blanks before the extension, superscript port numbers.
      {"nul .txt", false},
      {"Con  .log", false},
      {"AUX ", false},
      {"COM\xC2\xB9", false},
      {"lpt\xC2\xB3.txt", false},
      {"COM\xE2\x81\xB4", true},
      {"nul x.txt", true},
      {"COM1 2", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isSafeFileName(c.name), c.safe) << c.name;
  }
}

}  // namespace
}  // namespace myr
