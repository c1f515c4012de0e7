#include "saves/card_image.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "card_test_support.h"
#include "saves/card_format.h"
#include "saves/card_layout.h"

namespace myr::saves {
namespace {

using test::TestCard;

std::string fixture(const char* name) {
  std::ifstream file(std::string(MYR_CARD_FIXTURES) + "/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  EXPECT_EQ(bytes.str().size(), card::kImageBytes) << name;
  return bytes.str();
}

CardSummary summarize(std::string_view image) { return summarizeCardImage(image, test::standInCardText()); }

// folder | title | subtitle | modified | bytes
std::vector<std::string> describe(const std::vector<CardSave>& saves) {
  std::vector<std::string> lines;
  for (const CardSave& save : saves) {
    lines.push_back(save.folder + " | " + save.title + " | " + save.subtitle + " | " + save.modified + " | " +
                    std::to_string(save.bytes));
  }
  return lines;
}

TEST(CardImage, ReadsCardsWrittenByTheIndependentWriter) {
  const CardSummary blank = summarize(fixture("blank.ps2"));
  EXPECT_TRUE(blank.blank);
  EXPECT_FALSE(blank.formatted);
  EXPECT_EQ(blank.error, "");
  EXPECT_EQ(blank.capacityBytes, 0u);

  const CardSummary formatted = summarize(fixture("formatted.ps2"));
  EXPECT_TRUE(formatted.formatted);
  EXPECT_FALSE(formatted.blank);
  EXPECT_EQ(formatted.error, "");
  EXPECT_EQ(formatted.capacityBytes, 8330240u);
  EXPECT_EQ(formatted.freeBytes, 8329216u);
  EXPECT_TRUE(formatted.saves.empty());

  const CardSummary saves = summarize(fixture("saves.ps2"));
  EXPECT_TRUE(saves.formatted);
  EXPECT_EQ(saves.error, "");
  EXPECT_EQ(saves.capacityBytes, 8330240u);
  EXPECT_EQ(saves.freeBytes, (8135u - 29u) * 1024u);
  const std::vector<std::string> expected{
      "BISLPM-65001MYR00 | \u30DF\u30ED\u30FC\u30A6\u30A7\u30F3 | SAVE 01 DATA | 2024-03-15T21:04:05+09:00 | 4036",
      "BISLPM-65001MYR01 | \u3072\u3089\u304C\u306A TEST |  |  | 964",
      "BISLPM-65001MYR02 | ABCxyz |  | 2200-12-31T23:59:59+09:00 | 964",
      "BISLPM-65001MYR03 |  |  |  | 974",
      "BISLPM-65001MYR04 |  |  | 1990-01-01T00:00:00+09:00 | 2049",
      "BROKEN |  |  | 2023-01-02T03:04:05+09:00 | 0",
      "CAF\u00C9 |  |  | 2024-05-06T07:08:09+09:00 | 0",
  };
  EXPECT_EQ(describe(saves.saves), expected);
}

TEST(CardImage, AFormattedCardMatchesTheIndependentWriterByteForByte) {
  const std::string built = buildFormattedCard(test::formatTime());
  const std::string reference = fixture("formatted.ps2");
  ASSERT_EQ(built.size(), reference.size());
  for (std::size_t page = 0; page < card::kPageCount; ++page) {
    const std::size_t at = page * card::kPageBytes;
    ASSERT_EQ(built.compare(at, card::kPageBytes, reference, at, card::kPageBytes), 0) << "page " << page;
  }
  const std::array<std::uint8_t, 128> zeros{};
  const std::array<std::uint8_t, 3> zeroCode{0x77, 0x7F, 0x7F};
  EXPECT_EQ(cardQuarterCode(zeros), zeroCode);
}

TEST(CardImage, RefusesImagesOfTheWrongSizeOrFormat) {
  struct Case {
    const char* what;
    std::size_t offset;
    std::uint32_t value;
    int width;  // bytes written at offset
    std::string error;
  };
  const Case cases[] = {
      {"magic", 0x00, 0x796E6F54, 4, "not a formatted PS2 memory card"},
      {"page length", 0x28, 1024, 2, "unsupported page or cluster size"},
      {"pages per cluster", 0x2A, 4, 2, "unsupported page or cluster size"},
      {"allocation offset at the end", 0x34, 8192, 4, "damaged superblock"},
      {"allocation end past the end", 0x38, 8193, 4, "damaged superblock"},
      {"root outside the card", 0x3C, 9000, 4, "the root folder cannot be read"},
      {"indirect FAT outside the card", 0x50, 8192, 4, "the root folder cannot be read"},
  };
  for (const Case& c : cases) {
    TestCard card;
    c.width == 2 ? card.putU16(c.offset, static_cast<std::uint16_t>(c.value)) : card.putU32(c.offset, c.value);
    const CardSummary summary = summarize(card.image());
    EXPECT_EQ(summary.error, c.error) << c.what;
    EXPECT_TRUE(summary.saves.empty()) << c.what;
    EXPECT_FALSE(summary.blank) << c.what;
  }

  EXPECT_EQ(summarize("").error, "not an 8 MB card image (0 bytes)");
  const std::string shortImage(card::kImageBytes - 1, '\xFF');
  EXPECT_EQ(summarize(shortImage).error, "not an 8 MB card image (8650751 bytes)");
}

TEST(CardImage, KeepsSizesWhenOnlyTheRootIsUnreadableAndTreatsHugeClusterCountsAsTheMaximum) {
  TestCard rootOutside;
  rootOutside.putU32(0x3C, 9000);
  const CardSummary unreadable = summarize(rootOutside.image());
  EXPECT_TRUE(unreadable.formatted);
  EXPECT_EQ(unreadable.capacityBytes, 8330240u);
  EXPECT_EQ(unreadable.freeBytes, 8329216u);

  TestCard huge;
  huge.putU32(0x30, 16384);
  const CardSummary summary = summarize(huge.image());
  EXPECT_EQ(summary.error, "");
  EXPECT_EQ(summary.capacityBytes, 8330240u);

  // FAT entries that cannot be looked up do not count as free.
  TestCard noFat;
  noFat.putU32(0x50, 8192);
  EXPECT_EQ(summarize(noFat.image()).freeBytes, 0u);
}

TEST(CardImage, AnErasedFirstPageMakesABlankCardWhateverFollows) {
  TestCard card;
  card.image().replace(0, card::kPageBytes, card::kPageBytes, '\xFF');
  const CardSummary summary = summarize(card.image());
  EXPECT_TRUE(summary.blank);
  EXPECT_FALSE(summary.formatted);
  EXPECT_EQ(summary.error, "");
  EXPECT_EQ(summary.freeBytes, 0u);

  card.image()[card::kPageBytes - 1] = 0;  // a spare byte of page 0
  EXPECT_FALSE(summarize(card.image()).blank);
}

TEST(CardImage, TimestampsOutsideTheirRangesAreEmpty) {
  struct Case {
    test::CardTime time;
    std::string text;
  };
  const Case cases[] = {
      {{2024, 2, 29, 23, 59, 59}, "2024-02-29T23:59:59+09:00"},
      {{1990, 1, 1, 0, 0, 0}, "1990-01-01T00:00:00+09:00"},
      {{2200, 12, 31, 0, 0, 0}, "2200-12-31T00:00:00+09:00"},
      {{2201, 1, 1, 0, 0, 0}, ""},
      {{1989, 12, 31, 0, 0, 0}, ""},
      {{2024, 13, 1, 0, 0, 0}, ""},
      {{2024, 0, 1, 0, 0, 0}, ""},
      {{2024, 1, 0, 0, 0, 0}, ""},
      {{2024, 1, 32, 0, 0, 0}, ""},
      {{2024, 1, 1, 24, 0, 0}, ""},
      {{2024, 1, 1, 0, 60, 0}, ""},
      {{2024, 1, 1, 0, 0, 60}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cardTimestamp(test::directoryEntry(0x8427, 0, 0, "x", c.time)), c.text)
        << c.time.year << "-" << c.time.month;
  }
  EXPECT_EQ(cardTimestamp("short"), "");
}

TEST(CardImage, TitleTextIsCutConvertedAndTrimmed) {
  const CardText text = test::standInCardText();
  EXPECT_EQ(cardTitleText("", text), "");
  EXPECT_EQ(cardTitleText(std::string_view("\0abc", 4), text), "");
  EXPECT_EQ(cardTitleText(std::string_view("\x82\x60\x81\x40\x81\x40\0\x82\x61", 9), text), "A");
  EXPECT_EQ(cardTitleText("Save \x82\x4F\x82\x50 ", text), "Save 01");

  // Text from the system's conversion may hold lone surrogates and trailing NULs.
  CardText raw = text;
  raw.decodeShiftJis = [](std::string_view) {
    return std::u16string(
        u"a\xD800"
        u"b\xDC00\xD83D\xDE00 \0 ",
        9);
  };
  EXPECT_EQ(cardTitleText("x", raw),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD\xF0\x9F\x98\x80");
}

TEST(CardImage, ShortAndForeignIconFilesLeaveTheTitleEmpty) {
  const std::string title = "\x82\x60";  // full-width A
  TestCard card({{"SHORT", {{"icon.sys", test::iconSys(title, 0).substr(0, 259)}}, {}},
                 {"EXACT", {{"icon.sys", test::iconSys(title, 0).substr(0, 260)}}, {}},
                 {"FOREIGN", {{"icon.sys", test::iconSys(title, 0, "PS2X")}}, {}},
                 {"NAMED", {{"ICON.SYS", test::iconSys(title, 0)}}, {}}});
  const CardSummary summary = summarize(card.image());
  ASSERT_EQ(summary.saves.size(), 4u);
  EXPECT_EQ(summary.saves[0].title, "");
  EXPECT_EQ(summary.saves[0].bytes, 259u);
  EXPECT_EQ(summary.saves[1].title, "A");
  EXPECT_EQ(summary.saves[2].title, "");
  EXPECT_EQ(summary.saves[3].title, "");
}

TEST(CardImage, ALoopingChainRepeatsItsClusterUntilTheWantedLength) {
  TestCard card({{"LOOP", {{"DATA", std::string(100, 'd')}}, {}}});
  // The folder's two clusters (".", ".." then DATA) lead back to the first.
  const std::uint32_t second = card.folderCluster(0) + 1;
  card.setFat(second, 0x80000000 | card.folderCluster(0));
  card.putU32(card.rootEntryOffset(2) + 4, 8);
  const CardSummary summary = summarize(card.image());
  ASSERT_EQ(summary.saves.size(), 1u);
  EXPECT_EQ(summary.saves[0].bytes, 200u);

  // A chain through a free cluster, or one leaving the allocatable clusters, is damaged.
  card.setFat(second, 0x00000001);
  EXPECT_EQ(summarize(card.image()).saves.at(0).bytes, 0u);
  card.setFat(second, 0x80000000 | 8135);
  EXPECT_EQ(summarize(card.image()).saves.at(0).bytes, 0u);
}

// A root that loops on one folder entry, whose folder loops on itself full of icon.sys entries:
// without a bound on the work, thousands of folders of thousands of entries would be read.
TEST(CardImage, ChainsSharedEverywhereAreReadWithinABoundedAmountOfWork) {
  const std::string title = "\x82\x60";
  TestCard card({{"SHARED", {{"icon.sys", test::iconSys(title, 0)}}, {}}});
  // Root: ".", then the folder's entry instead of "..", its one cluster following itself.
  card.setFat(0, 0x80000000);
  card.putU32(card.rootEntryOffset(0) + 4, 4096);
  card.image().replace(card.rootEntryOffset(1), card::kEntryBytes,
                       card.image().substr(card.rootEntryOffset(2), card::kEntryBytes));
  card.putU32(card.rootEntryOffset(1) + 4, 4096);
  // Folder: ".", ".." then icon.sys, and back to the start.
  card.setFat(card.folderCluster(0) + 1, 0x80000000 | card.folderCluster(0));

  const auto start = std::chrono::steady_clock::now();
  const CardSummary summary = summarize(card.image());
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(summary.error, "");
  ASSERT_EQ(summary.saves.size(), 2048u);  // every other entry is the repeated "."
  EXPECT_EQ(summary.saves.front().title, "A");
  EXPECT_EQ(summary.saves.front().bytes, 1024u * 964u);
  EXPECT_EQ(summary.saves.back().bytes, 0u);
  EXPECT_LT(elapsed, std::chrono::seconds(3));
}

}  // namespace
}  // namespace myr::saves
