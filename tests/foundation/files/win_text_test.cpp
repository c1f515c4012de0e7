#include "foundation/files/win_text.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/files/utf8.h"

namespace myr {
namespace {

struct TextPair {
  const char* utf8;
  const wchar_t* wide;
};

TEST(TextConversion, RoundTripsBetweenUtf8AndUtf16) {
  const TextPair cases[] = {
      {"", L""},
      {"myr.ini", L"myr.ini"},
      {"Spielst\xC3\xA4nde", L"Spielst\u00E4nde"},
      {"\xE3\x82\xBB\xE3\x83\xBC\xE3\x83\x96", L"\u30BB\u30FC\u30D6"},
      {"\xF0\x9F\x98\x80", L"\xD83D\xDE00"},  // outside the BMP: a surrogate pair
  };
  for (const TextPair& c : cases) {
    EXPECT_EQ(toWide(c.utf8), c.wide) << c.utf8;
    EXPECT_EQ(toUtf8(c.wide), c.utf8) << c.utf8;
  }
}

TEST(TextConversion, MalformedInputBecomesReplacementCharacter) {
  EXPECT_EQ(toWide("a\xFFz"), L"a\uFFFDz");
  EXPECT_EQ(toUtf8(L"a\xD800z"), "a\xEF\xBF\xBDz");
}

TEST(LocalTextToUtf8, ReturnsValidUtf8ByteForByte) {
  const char* cases[] = {"", "BESLUS-00000", "Spielst\xC3\xA4nde", "\xF0\x9F\x98\x80 \xE3\x82\xBB"};
  for (const char* text : cases) EXPECT_EQ(localTextToUtf8(text), text);
}

TEST(LocalTextToUtf8, ReadsOtherBytesInTheAnsiCodePage) {
  if (GetACP() != 1252) GTEST_SKIP() << "the expected texts are those of code page 1252";
  struct Case {
    const char* ansi;
    const char* utf8;
  };
  const Case cases[] = {
      {"caf\xE9", "caf\xC3\xA9"},
      {"\x80 5", "\xE2\x82\xAC 5"},
      {"\x93quoted\x94", "\xE2\x80\x9Cquoted\xE2\x80\x9D"},
  };
  for (const Case& c : cases) EXPECT_EQ(localTextToUtf8(c.ansi), c.utf8) << c.ansi;
}

TEST(LocalTextToUtf8, GivesUtf8ForEveryByteValue) {
  std::string everyByte;
  for (int value = 0; value < 256; ++value) everyByte.push_back(static_cast<char>(value));
  const std::string converted = localTextToUtf8(everyByte);
  EXPECT_FALSE(converted.empty());
  EXPECT_TRUE(isUtf8(converted));
}

std::wstring rawSystemMessage(DWORD code) {
  wchar_t buffer[512];
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                      buffer, 512, nullptr);
  return std::wstring(buffer, length);
}

TEST(SystemErrorText, DropsTheFullStopAndLineEndOfSystemMessages) {
  for (DWORD code : {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION}) {
    const std::wstring raw = rawSystemMessage(code);
    ASSERT_THAT(raw, testing::EndsWith(L".\r\n")) << code;
    EXPECT_EQ(systemErrorText(code), toUtf8(raw.substr(0, raw.size() - 3))) << code;
  }
}

TEST(SystemErrorText, UnknownCodeGivesErrorAndTheUnsignedNumber) {
  EXPECT_EQ(systemErrorText(0xE0001234), "error 3758101044");
}

TEST(PathError, PutsTheUtf8PathBeforeTheSystemMessage) {
  EXPECT_EQ(pathError(L"C:\\Spiele\\Myr\u00E4\\myr.ini", ERROR_FILE_NOT_FOUND),
            "C:\\Spiele\\Myr\xC3\xA4\\myr.ini: " + systemErrorText(ERROR_FILE_NOT_FOUND));
}

}  // namespace
}  // namespace myr
