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
      {"\xE2\x82\xAC", true},                // euro sign
      {"\xF0\x9F\x98\x80", true},            // emoji
      {"\xF4\x8F\xBF\xBF", true},            // U+10FFFF
      {std::string("a\0b", 3), true},
      {"\xC3", false},                       // truncated
      {"\xC0\xAF", false},                   // overlong slash
      {"\xE0\x80\xAF", false},               // overlong
      {"\xED\xA0\x80", false},               // surrogate
      {"\xF4\x90\x80\x80", false},           // above U+10FFFF
      {"\x80", false},                       // lone continuation
      {"\xFF", false},
      {"\xE2\x82", false},
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
      {"save-001.myrsave", true}, {"COM", true},          {"COM10", true},       {"CONSOLE", true},
      {"nul.", false},            {"COM1", false},        {"lpt9.txt", false},   {"nul", false},
      {"Aux.json", false},        {"prn", false},         {"a.", false},         {"a ", false},
      {"a|b", false},             {"a/b", false},         {"a\\b", false},       {"c:x", false},
      {"a?", false},              {"a*", false},          {"<a>", false},        {"\"a\"", false},
      {"a\tb", false},            {".", false},           {"..", false},         {"", false},
      {".hidden", true},          {std::string(128, 'a'), true},                 {std::string(129, 'a'), false},
      {"caf\xC3\xA9.png", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isSafeFileName(c.name), c.safe) << c.name;
  }
}

}  // namespace
}  // namespace myr
