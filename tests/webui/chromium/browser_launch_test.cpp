// How the browser is started: its arguments, the command line carrying them, its version.

#include "webui/browser/chromium/browser_command_line.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace myr::browser::chromium {
namespace {

bool has(const std::vector<std::string>& arguments, const std::string& argument) {
  return std::find(arguments.begin(), arguments.end(), argument) != arguments.end();
}

TEST(BrowserArguments, HeadlessWithItsProfileOnTheRequestedPortOrAnyPort) {
  const auto chosen = browserArguments({"/home/p/Chromium", ""});
  EXPECT_TRUE(has(chosen, "--headless"));
  EXPECT_TRUE(has(chosen, "--proxy-bypass-list=<-loopback>"));
  EXPECT_TRUE(has(chosen, "--user-data-dir=/home/p/Chromium"));
  EXPECT_TRUE(has(chosen, "--remote-debugging-port=0"));
  EXPECT_EQ(requestedDebuggingPort(chosen), 0);

  const auto requested = browserArguments(
      {"C:\\Users\\p\\Chromium", R"(--lang=fr "--window-name=My Launcher" --remote-debugging-port=9222)"});
  EXPECT_EQ(std::count_if(requested.begin(), requested.end(),
                          [](const std::string& a) { return a.starts_with("--remote-debugging-port="); }),
            1);
  EXPECT_EQ(requestedDebuggingPort(requested), 9222);
  EXPECT_TRUE(has(requested, "--lang=fr"));
  EXPECT_TRUE(has(requested, "--window-name=My Launcher"));
  EXPECT_EQ(requestedDebuggingPort({"--remote-debugging-port=99999"}), 0);
  EXPECT_EQ(requestedDebuggingPort({"--remote-debugging-port=92x"}), 0);
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
