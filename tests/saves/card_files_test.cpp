// Memory card files, the save listing and thumbnails, on Windows with the system's conversions.

#include <gtest/gtest.h>
#include <windows.h>

#include "card_test_support.h"
#include "foundation/files/win_text.h"
#include "foundation/pause_points.h"
#include "save_files_fixture.h"
#include "saves/backup_sets_win.h"
#include "foundation/bytes/base64.h"
#include "saves/card_format.h"
#include "saves/card_format_win.h"
#include "saves/card_image_win.h"
#include "saves/card_layout.h"
#include "saves/save_listing_win.h"
#include "saves/thumbnails_win.h"
#include "support/launcher_process.h"
#include "support/temp_folder.h"

namespace myr::saves {
namespace {

using test::readFile;
using test::writeFile;

std::filesystem::path fixture(const char* name) { return std::filesystem::path(MYR_CARD_FIXTURES) / name; }

// A helper process that keeps a file open for reading and writing, as the game keeps its cards.
class HeldOpen {
 public:
  explicit HeldOpen(const std::filesystem::path& file)
      : process_(MYR_SAVE_WORKER, {}, L"hold \"" + file.wstring() + L"\"") {
    EXPECT_EQ(process_.readLine(), "ready");
  }

 private:
  myr::testing::LauncherProcess process_;
};

TEST(CardFiles, SummariesUseTheSystemsCodePageAndHalfWidthMapping) {
  const CardSummary saves = readCardSummary(fixture("saves.ps2"));
  EXPECT_EQ(saves.error, "");
  ASSERT_EQ(saves.saves.size(), 7u);
  EXPECT_EQ(saves.saves[0].subtitle, "SAVE 01 DATA");
  EXPECT_EQ(saves.saves[1].title, "\u3072\u3089\u304C\u306A TEST");  // hiragana has no half-width forms
  EXPECT_EQ(saves.saves[2].title, "ABCxyz");
  EXPECT_EQ(saves.saves[0].bytes, 4036u);
  // The invariant locale's mapping makes katakana half-width too.
  EXPECT_EQ(saves.saves[0].title, "\uFF90\uFF9B\uFF70\uFF73\uFF6A\uFF9D");

  EXPECT_TRUE(readCardSummary(fixture("blank.ps2")).blank);
  const CardSummary formatted = readCardSummary(fixture("formatted.ps2"));
  EXPECT_TRUE(formatted.formatted);
  EXPECT_EQ(formatted.freeBytes, 8329216u);
}

TEST(CardFiles, FilesOfTheWrongSizeOrMissingGiveTheReadersMessage) {
  const myr::testing::TempFolder folder;
  writeFile(folder / L"empty.ps2", "");
  writeFile(folder / L"long.ps2", std::string(card::kImageBytes + 1, '\xFF'));
  EXPECT_EQ(readCardSummary(folder / L"empty.ps2").error, "not an 8 MB card image (0 bytes)");
  EXPECT_EQ(readCardSummary(folder / L"long.ps2").error,
            toUtf8((folder / L"long.ps2").native()) + ": larger than 8650752 bytes");
  EXPECT_EQ(readCardSummary(folder / L"missing.ps2").error,
            toUtf8((folder / L"missing.ps2").native()) + ": " + systemErrorText(ERROR_FILE_NOT_FOUND));
}

TEST(CardFiles, OnlyTheNumberTwoSelectsTheSecondCard) {
  EXPECT_EQ(cardSlotArgument(2), 2);
  for (const json::Value& slot : {json::Value(1), json::Value(3), json::Value(2.5), json::Value("2"), json::Value()}) {
    EXPECT_EQ(cardSlotArgument(slot), 1) << json::write(slot);
  }
  const myr::testing::TempFolder game;
  EXPECT_EQ(cardPath(game.path(), 2), game / L"memcards" / L"Mcd002.ps2");
  EXPECT_EQ(cardPath(game.path(), 7), game / L"memcards" / L"Mcd001.ps2");
}

TEST(CardFiles, FormatsABlankCardOnceAndReadsItBack) {
  const myr::testing::TempFolder game;
  const std::filesystem::path card = cardPath(game.path(), 2);
  writeFile(card, readFile(fixture("blank.ps2")));
  const Result<json::Value> formatted = formatCardNow(game.path(), 2);
  ASSERT_TRUE(formatted) << formatted.error().message;
  EXPECT_EQ(json::write(*formatted), R"({"slot":2})");
  const CardSummary summary = readCardSummary(card);
  EXPECT_TRUE(summary.formatted);
  EXPECT_TRUE(summary.saves.empty());
  EXPECT_EQ(summary.capacityBytes, 8330240u);
  EXPECT_EQ(summary.freeBytes, 8329216u);
  EXPECT_FALSE(std::filesystem::exists(card.native() + L".tmp"));

  const std::string once = readFile(card);
  const Status again = formatBlankCard(card);
  ASSERT_FALSE(again);
  EXPECT_EQ(again.error().message,
            toUtf8(card.native()) +
                " is not a blank card: formatting it would delete what it holds, so it was left as it is");
  EXPECT_EQ(readFile(card), once);
}

// What another program gets when it opens the card for writing in the last moment before the new
// image replaces the blank one.
DWORD writerOpenError = 0;
std::filesystem::path cardBeingFormatted;
void tryToWriteTheCard(std::string_view point) {
  if (point != "write:Mcd001.ps2") return;
  const HANDLE writer = CreateFileW(cardBeingFormatted.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
  writerOpenError = writer == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
}

TEST(CardFiles, NoWriterGetsInBetweenTheBlankCheckAndTheNewImage) {
  const myr::testing::TempFolder game;
  cardBeingFormatted = cardPath(game.path(), 1);
  writeFile(cardBeingFormatted, std::string(card::kImageBytes, '\xFF'));
  setPauseHandler(&tryToWriteTheCard);
  const Result<json::Value> formatted = formatCardNow(game.path(), 1);
  setPauseHandler(nullptr);
  ASSERT_TRUE(formatted) << formatted.error().message;
  EXPECT_EQ(writerOpenError, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_TRUE(readCardSummary(cardBeingFormatted).formatted);
}

TEST(CardFiles, FormattingRefusesEveryCardThatIsNotBlankAndLeavesItUnchanged) {
  const std::string blank(card::kImageBytes, '\xFF');
  std::string oneByte = blank;
  oneByte[card::kImageBytes / 2] = '\xFE';
  struct Case {
    const char* what;
    std::string bytes;
    bool heldByAnotherProgram;
    std::string messageAfterPath;
  };
  const std::string notBlank =
      " is not a blank card: formatting it would delete what it holds, so it was left as it is";
  const Case cases[] = {
      {"one byte short", blank.substr(1), false, notBlank},
      {"one byte other than 0xFF", oneByte, false, notBlank},
      {"a card with saves", readFile(fixture("saves.ps2")), false, notBlank},
      {"a formatted card", readFile(fixture("formatted.ps2")), false, notBlank},
      {"one byte long", blank + '\xFF', false, ": larger than 8650752 bytes"},
      {"open in the game", blank, true, ": " + systemErrorText(ERROR_SHARING_VIOLATION)},
  };
  for (const Case& c : cases) {
    const myr::testing::TempFolder folder;
    const std::filesystem::path card = folder / L"Mcd001.ps2";
    writeFile(card, c.bytes);
    std::optional<HeldOpen> game;
    if (c.heldByAnotherProgram) game.emplace(card);
    const Status formatted = formatBlankCard(card);
    game.reset();
    ASSERT_FALSE(formatted) << c.what;
    EXPECT_EQ(formatted.error().message, toUtf8(card.native()) + c.messageAfterPath) << c.what;
    EXPECT_TRUE(readFile(card) == c.bytes) << c.what;
    EXPECT_FALSE(std::filesystem::exists(card.native() + L".tmp")) << c.what;
  }

  // The new image cannot be written (a folder holds its temporary name).
  const myr::testing::TempFolder folder;
  const std::filesystem::path card = folder / L"Mcd001.ps2";
  writeFile(card, blank);
  std::filesystem::create_directories(card.native() + L".tmp");
  const Status unwritten = formatBlankCard(card);
  ASSERT_FALSE(unwritten);
  EXPECT_TRUE(unwritten.error().message.ends_with("; the card was left as it was")) << unwritten.error().message;
  EXPECT_TRUE(readFile(card) == blank);

  const myr::testing::TempFolder empty;
  const Result<json::Value> missing = formatCardNow(empty.path(), 1);
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().message,
            toUtf8(cardPath(empty.path(), 1).native()) + ": " + systemErrorText(ERROR_PATH_NOT_FOUND));
}

TEST(CardFiles, ThumbnailsAreReadOnlyWhenTheyArePictures) {
  const myr::testing::TempFolder game;
  const std::filesystem::path folder = game / L"savedata" / L"QXUS-40404";
  const std::string png = "\x89PNG\r\n\x1A\n" + std::string(56, 'p');
  writeFile(folder / L"save-000.png", png);
  writeFile(folder / L"save-001.png", png.substr(0, 63));
  writeFile(folder / L"save-002.png", "\xFF\xD8\xFF\xE0" + std::string(60, 'j'));
  writeFile(folder / L"save-003.png", png + std::string(524289 - png.size(), 'x'));
  writeFile(folder / L"save-999.png", png);

  const auto thumbnail = [&](const json::Value& slot) {
    const Result<json::Value> reply = saveThumbnail(game.path(), slot);
    return reply ? json::write(*reply) : "error: " + reply.error().message;
  };
  EXPECT_EQ(thumbnail(0), R"({"png":")" + encodeBase64(png) + R"("})");
  EXPECT_EQ(thumbnail(999), thumbnail(0));
  for (int slot : {1, 2, 3, 4}) EXPECT_EQ(thumbnail(slot), "{}") << slot;
  for (const json::Value& slot :
       {json::Value(1000), json::Value(-1), json::Value(2.5), json::Value("1"), json::Value()}) {
    EXPECT_EQ(thumbnail(slot), "error: Not a save slot") << json::write(slot);
  }
}

}  // namespace
}  // namespace myr::saves
