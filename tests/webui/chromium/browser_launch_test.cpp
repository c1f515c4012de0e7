// How the browser is started: its arguments, the command line and descriptors carrying them, its version.

#include "webui/browser/chromium/browser_command_line.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace myr::browser::chromium {
namespace {

bool has(const std::vector<std::string>& arguments, const std::string& argument) {
  return std::find(arguments.begin(), arguments.end(), argument) != arguments.end();
}

bool opensAPort(const std::vector<std::string>& arguments) {
  return std::any_of(arguments.begin(), arguments.end(),
                     [](const std::string& a) { return a.starts_with("--remote-debugging-port"); });
}

TEST(BrowserArguments, HeadlessWithItsProfileOverItsPipeAndNoPortUnlessAsked) {
  const auto plain = browserArguments({"/home/p/Chromium", ""});
  EXPECT_TRUE(has(plain, "--headless"));
  EXPECT_TRUE(has(plain, "--proxy-bypass-list=<-loopback>"));
  EXPECT_TRUE(has(plain, "--user-data-dir=/home/p/Chromium"));
  EXPECT_TRUE(has(plain, "--remote-debugging-pipe"));
  EXPECT_FALSE(opensAPort(plain));
  EXPECT_EQ(plain.back(), "about:blank");

  const auto asked = browserArguments(
      {"C:\\Users\\p\\Chromium", R"(--lang=fr "--window-name=My Launcher" --remote-debugging-port=9222)"});
  EXPECT_TRUE(has(asked, "--remote-debugging-pipe"));
  EXPECT_TRUE(has(asked, "--remote-debugging-port=9222"));
  EXPECT_TRUE(has(asked, "--lang=fr"));
  EXPECT_TRUE(has(asked, "--window-name=My Launcher"));
}

// The layout the C runtime reads at its start: a count, a flag byte per descriptor, a handle per
// descriptor, all unaligned and little-endian.
TEST(BrowserPipe, ReachesTheChildAsDescriptorsThreeAndFour) {
  const std::vector<std::byte> block = crtPipeDescriptors(0x1234, 0xABCDEF);
  ASSERT_EQ(block.size(), 4u + 5u + 5u * sizeof(std::uintptr_t));
  const auto byteAt = [&](std::size_t i) { return std::to_integer<unsigned>(block[i]); };
  EXPECT_EQ(byteAt(0), 5u);
  EXPECT_EQ(byteAt(1) | byteAt(2) | byteAt(3), 0u);
  const unsigned flags[] = {0, 0, 0, 0x09, 0x09};
  for (std::size_t descriptor = 0; descriptor < 5; ++descriptor) {
    EXPECT_EQ(byteAt(4 + descriptor), flags[descriptor]) << descriptor;
  }
  const auto handleAt = [&](std::size_t descriptor) {
    std::uintptr_t value = 0;
    for (std::size_t i = 0; i < sizeof value; ++i) {
      value |= std::uintptr_t{byteAt(9 + descriptor * sizeof value + i)} << (8 * i);
    }
    return value;
  };
  for (std::size_t descriptor = 0; descriptor < 3; ++descriptor) {
    EXPECT_EQ(handleAt(descriptor), ~std::uintptr_t{0}) << descriptor;
  }
  EXPECT_EQ(handleAt(3), 0x1234u);
  EXPECT_EQ(handleAt(4), 0xABCDEFu);
}

TEST(BrowserArguments, SplitOnBlanksOutsideQuotes) {
  EXPECT_EQ(splitArguments(""), std::vector<std::string>{});
  EXPECT_EQ(splitArguments("  a \t b  "), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(splitArguments(R"(--x="a b" "" c)"), (std::vector<std::string>{"--x=a b", "", "c"}));
}

// The C runtime's rules: backslashes are literal unless a quote follows them.
TEST(BrowserArguments, QuotedForTheWindowsCommandLine) {
  struct Case {
    const char* argument;
    const char* quoted;
  };
  const Case cases[] = {
      {"plain", "plain"},
      {"", "\"\""},
      {"a b", "\"a b\""},
      {R"(C:\Program Files\x.exe)", R"("C:\Program Files\x.exe")"},
      {R"(say "hi")", R"("say \"hi\"")"},
      {R"(ends\ with\)", R"("ends\ with\\")"},
      {R"(a\"b)", R"("a\\\"b")"},
      {R"(no\blanks\)", R"(no\blanks\)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(quoteWindowsArgument(c.argument), c.quoted) << c.argument;
  }
  EXPECT_EQ(windowsCommandLine({"bash", "-c", "echo $1"}), R"(bash -c "echo $1")");
}

TEST(BrowserVersion, IsTheDottedNumberOfABannerOrProduct) {
  EXPECT_EQ(versionIn("Chromium 156.0.8078.129 built on Debian GNU/Linux 12 (bookworm)\n"), "156.0.8078.129");
  EXPECT_EQ(versionIn("HeadlessChrome/156.0.8078.129"), "156.0.8078.129");
  EXPECT_EQ(versionIn("Chrome/130.0.2849.39"), "130.0.2849.39");
  EXPECT_EQ(versionIn("Chromium 12 (bookworm)"), "");
  EXPECT_EQ(versionIn("x2.0 y"), "");
  EXPECT_EQ(versionIn(""), "");
}

}  // namespace
}  // namespace myr::browser::chromium
