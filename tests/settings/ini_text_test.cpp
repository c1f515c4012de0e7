#include "settings/ini_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "oracles/ini_round_trip.h"

namespace myr::settings {
namespace {

IniDocument read(std::string_view text) {
  IniDocument document;
  document.exists = true;
  readSettingsText(text, document);
  return document;
}

std::string write(std::optional<std::string_view> existing, std::vector<SettingEntry> entries) {
  return applySettingEntries(existing, entries);
}

constexpr char kHeader[] =
    "; Myrrowen (PC port): settings for myr.exe, written by myr_launcher.exe.\r\n"
    "; myr.exe reads this file when it starts. An environment variable of the same setting wins.\r\n";

TEST(IniRead, TakesAllowedValuesAndListsRefusedOnes) {
  const IniDocument document = read(
      "Scale=3\n"  // above the first header: ignored
      "[ Display ]\n"
      "  Scale  =  2  \r\n"
      "FrameRate=144\n"
      "Aspect=16:9 ; wide\n"
      "; Vsync=0\n"
      "Unknown=1\n"
      "[]\n"
      "FXAA=0\n"  // still Display: empty brackets open nothing
      "[display]\n"
      "Mode=borderless\n"
      "[Pad1]\n"
      "Cross=Keyboard/X\n"
      "[pad1]\n"
      "Circle=Keyboard/O\n"
      "[Display]\n"
      "Scale=4\n"
      "Scale=junk\n");
  EXPECT_EQ(document.get("Display", "Scale", "-"), "4");
  EXPECT_EQ(document.get("Display", "FXAA", "-"), "0");
  EXPECT_EQ(document.get("Display", "FrameRate", "-"), "-");
  EXPECT_EQ(document.get("Display", "Mode", "-"), "-");
  EXPECT_EQ(document.get("Pad1", "Cross", "-"), "Keyboard/X");
  EXPECT_FALSE(document.contains("Pad1", "Circle"));
  EXPECT_FALSE(document.contains("display"));
  EXPECT_TRUE(document.contains("Display"));
  EXPECT_EQ(document.rejected,
            (std::vector<std::string>{"Display.FrameRate=144", "Display.Aspect=16:9 ; wide", "Display.Scale=junk"}));
}

TEST(IniRead, QuotesAtMostEightyBytesOfARefusedValue) {
  const IniDocument document = read("[Display]\nScale=" + std::string(100, 'x') + "\n");
  EXPECT_EQ(document.rejected, std::vector<std::string>{"Display.Scale=" + std::string(80, 'x')});
}

TEST(IniRead, SplitsLinesByTheFileRules) {
  EXPECT_EQ(splitSettingsLines("\xEF\xBB\xBF[A]\r\nb\r\r\nc\rd\n\ne\r"),
            (std::vector<std::string>{"[A]", "b\r", "c\rd", "", "e"}));
  EXPECT_EQ(splitSettingsLines("a\n"), std::vector<std::string>{"a"});
  EXPECT_EQ(splitSettingsLines("\xEF\xBB\xBF"), std::vector<std::string>{});
  EXPECT_EQ(splitSettingsLines("\xEF\xBB\xBF\xEF\xBB\xBF"
                               "a"),
            std::vector<std::string>{"a"});
  EXPECT_EQ(splitSettingsLines("\xEF\xBB"), std::vector<std::string>{"\xEF\xBB"});
  EXPECT_EQ(splitSettingsLines(""), std::vector<std::string>{});
}

TEST(IniWrite, NewFileGetsTheHeaderLinesThenTheSection) {
  EXPECT_EQ(write(std::nullopt, {{"Display", "Scale", "2"}}), std::string(kHeader) + "\r\n[Display]\r\nScale=2\r\n");
  EXPECT_EQ(write(std::nullopt, {{"Display", "Scale", "2"}, {"Audio", "Mute", "1"}, {"Display", "Vsync", "0"}}),
            std::string(kHeader) + "\r\n[Display]\r\nScale=2\r\nVsync=0\r\n\r\n[Audio]\r\nMute=1\r\n");
}

TEST(IniWrite, EmptyFileGetsOnlyTheSection) {
  EXPECT_EQ(write("", {{"Display", "Scale", "2"}}), "[Display]\r\nScale=2\r\n");
}

TEST(IniWrite, EditsInPlaceAndKeepsEverythingElse) {
  struct Case {
    const char* name;
    std::string before;
    SettingEntry entry;
    std::string after;
  };
  const Case cases[] = {
      {"replaces the first line, removes later ones",
       "[Display]\nScale=1\n; note\nScale=3\n[Audio]\nScale=5\n",
       {"Display", "Scale", "2"},
       "[Display]\r\nScale=2\r\n; note\r\n[Audio]\r\nScale=5\r\n"},
      {"inserts above trailing blank lines",
       "[Display]\nScale=2\n\n\n[Audio]\nMute=0\n",
       {"Display", "Vsync", "1"},
       "[Display]\r\nScale=2\r\nVsync=1\r\n\r\n\r\n[Audio]\r\nMute=0\r\n"},
      {"inserts after a trailing comment",
       "[Display]\nScale=2\n; end\n",
       {"Display", "Vsync", "1"},
       "[Display]\r\nScale=2\r\n; end\r\nVsync=1\r\n"},
      {"inserts right after a header whose body is blank",
       "[Display]\n\n[Audio]\n",
       {"Display", "Vsync", "1"},
       "[Display]\r\nVsync=1\r\n\r\n[Audio]\r\n"},
      {"writes into the first block and drops the key from later ones",
       "[Display]\nScale=1\n[Audio]\n[Display]\nVsync=0\nScale=3\n",
       {"Display", "Scale", "2"},
       "[Display]\r\nScale=2\r\n[Audio]\r\n[Display]\r\nVsync=0\r\n"},
      {"a key only in a later block moves to the first",
       "[Display]\nVsync=0\n[Display]\nScale=3\n",
       {"Display", "Scale", "2"},
       "[Display]\r\nVsync=0\r\nScale=2\r\n[Display]\r\n"},
      {"empty brackets do not end the block",
       "[Display]\n[ ]\nScale=1\n",
       {"Display", "Scale", "2"},
       "[Display]\r\n[ ]\r\nScale=2\r\n"},
      {"a section of another case is another section",
       "[display]\nScale=1\n",
       {"Display", "Scale", "2"},
       "[display]\r\nScale=1\r\n\r\n[Display]\r\nScale=2\r\n"},
      {"keeps lines above the first header and unknown sections",
       "Scale=9\n[Mods]\nx = y\n[Display]\n  Scale = 1  \n",
       {"Display", "Scale", "2"},
       "Scale=9\r\n[Mods]\r\nx = y\r\n[Display]\r\nScale=2\r\n"},
      {"appends a section after a blank separator",
       "[Audio]\nMute=0",
       {"Display", "Scale", "2"},
       "[Audio]\r\nMute=0\r\n\r\n[Display]\r\nScale=2\r\n"},
      {"no extra separator after a blank last line",
       "[Audio]\nMute=0\n\n",
       {"Display", "Scale", "2"},
       "[Audio]\r\nMute=0\r\n\r\n[Display]\r\nScale=2\r\n"},
      {"drops the byte order mark",
       "\xEF\xBB\xBF[Display]\nScale=1\n",
       {"Display", "Scale", "1"},
       "[Display]\r\nScale=1\r\n"},
      {"keeps a CR inside a line and one before a CR LF",
       "[Display]\r\na\rb\r\r\n",
       {"Display", "Scale", "1"},
       "[Display]\r\na\rb\r\r\nScale=1\r\n"},
      {"keeps a refused value of another key",
       "[Display]\nFrameRate=144\n",
       {"Display", "Scale", "2"},
       "[Display]\r\nFrameRate=144\r\nScale=2\r\n"},
      {"a comment that looks like the key stays",
       "[Display]\n;Scale=1\n",
       {"Display", "Scale", "2"},
       "[Display]\r\n;Scale=1\r\nScale=2\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(write(c.before, {c.entry}), c.after) << c.name;
  }
}

TEST(IniWrite, RefusesTheFirstEntryThatIsNotAllowed) {
  EXPECT_EQ(refusalOf({{"Display", "Scale", "2"}, {"Launcher", "Theme", "auto"}, {"Display", "Scale", "0"}}),
            "not allowed in myr.ini: Launcher.Theme=auto");
  EXPECT_EQ(refusalOf({{"Pad1", "Cross", "Keyboard/" + std::string(100, 'x')}}),
            "not allowed in myr.ini: Pad1.Cross=Keyboard/" + std::string(71, 'x'));
  EXPECT_EQ(refusalOf({{"Display", "Scale", "2"}}), "");
}

TEST(IniWrite, LargestFileOfRepeatedKeysCollapsesToOneLine) {
  std::string text = "[Display]\n";
  while (text.size() + 8 <= kLargestSettingsFile) {
    text += "Scale=1\n";
  }
  EXPECT_EQ(write(text, {{"Display", "Scale", "2"}}), "[Display]\r\nScale=2\r\n");
}

// Texts built from pieces that stress the line rules; each is checked against the write rule.
TEST(IniWrite, RoundTripOverGeneratedTexts) {
  const std::vector<std::string> pieces{"[Display]",
                                        "[Audio]",
                                        " [ Display ]\t",
                                        "[]",
                                        "[ ]",
                                        "[display]",
                                        "[Display",
                                        "[Pad1]",
                                        "[Display]=x",
                                        "Scale=2",
                                        "  Scale = 3 ",
                                        "Scale",
                                        "=Scale",
                                        "Scale=junk",
                                        "Vsync=1",
                                        "Mute=1",
                                        "Cross=Keyboard/X",
                                        "Cross = SDL-0/FaceSouth",
                                        "; comment",
                                        "# Scale=4",
                                        ";Mute=0",
                                        "",
                                        "  ",
                                        "\t",
                                        "\r",
                                        "a\rb",
                                        "x=y=z",
                                        "\xEF\xBB\xBF",
                                        "\xEF\xBB\xBF[Display]",
                                        "x=\xFF\xFE"};
  const std::vector<std::string> endings{"\n", "\r\n", "\r\r\n"};
  const std::vector<SettingEntry> entries{{"Display", "Scale", "5"},
                                          {"Audio", "Mute", "0"},
                                          {"Pad1", "Cross", " Keyboard/X ; SDL-0/FaceSouth"},
                                          {"Input", "ButtonIcons", "xbox"}};
  std::mt19937 random(20261210);
  for (int round = 0; round < 5000; ++round) {
    std::string text;
    // Now and then one or two byte order marks in front.
    for (unsigned marks = random() % 6; marks >= 4; --marks) {
      text += "\xEF\xBB\xBF";
    }
    const int lineCount = static_cast<int>(random() % 14);
    for (int i = 0; i < lineCount; ++i) {
      text += pieces[random() % pieces.size()];
      if (i + 1 < lineCount || random() % 3 != 0) {
        text += endings[random() % endings.size()];
      }
    }
    const SettingEntry& entry = entries[random() % entries.size()];
    EXPECT_EQ(ini_round_trip::writeFault(text, entry), "") << testing::PrintToString(text) << " with " << entry.key;
  }
}

}  // namespace
}  // namespace myr::settings
