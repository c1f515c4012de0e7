#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "disc/disc_fixtures.h"
#include "disc/extraction_win.h"
#include "disc/iso_builder.h"
#include "disc/sha1.h"
#include "foundation/files/win_handle.h"
#include "foundation/files/win_text.h"
#include "support/launcher_process.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace myr::disc {
namespace {

using testing::buildIso;
using testing::DigestList;
using testing::fixturePath;
using testing::IsoNode;

struct Call {
  int index;
  int count;
  std::string name;
  friend bool operator==(const Call&, const Call&) = default;
};

// Records the progress calls of a run.
struct Progress {
  std::vector<Call> calls;
  ExtractionProgress callback() {
    return [this](int index, int count, std::string_view name) { calls.push_back({index, count, std::string(name)}); };
  }
  std::vector<Call> expectedUpTo(std::span<const GameFile> table, int last) const {
    std::vector<Call> expected;
    for (int i = 0; i <= last; ++i) expected.push_back({i, static_cast<int>(table.size()), std::string(table[i].name)});
    return expected;
  }
};

std::string sha1Of(const std::string& bytes) {
  Sha1 sha;
  sha.update(bytes);
  return sha.hexDigest();
}

std::vector<std::wstring> entriesOf(const fs::path& folder) {
  std::vector<std::wstring> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().wstring());
  std::sort(names.begin(), names.end());
  return names;
}

// Every file of the table is in target, whole and verified, and nothing else is.
void expectComplete(const fs::path& target, std::span<const GameFile> table) {
  std::vector<std::wstring> expected;
  for (const GameFile& file : table) {
    expected.push_back(toWide(file.name));
    EXPECT_EQ(sha1Of(testing::readWholeFile(target / toWide(file.name))), file.sha1) << file.name;
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(entriesOf(target), expected);
}

void writeFile(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// The builder's small disc and a table of its files' digests.
struct BuiltDisc {
  std::string image;
  std::vector<std::string> digests;
  std::vector<GameFile> table;

  explicit BuiltDisc(const std::function<void(IsoNode&)>& damage = {}) {
    testing::MiniDisc disc = testing::buildMiniDisc(damage);
    image = std::move(disc.image);
    for (const std::string& content : disc.contents) digests.push_back(sha1Of(content));
    for (std::size_t i = 0; i < digests.size(); ++i) table.push_back({kGameFileTable[i].name, digests[i]});
  }
};

class Extraction : public ::testing::Test {
 protected:
  myr::testing::TempFolder folder_;
  DigestList demo_ = DigestList::fromFile(fixturePath("demo.sha1"));
  fs::path target_ = folder_ / L"game" / L"disc";
};

TEST_F(Extraction, TheDefaultTableAcceptsTheDemoDisc) {
  std::vector<GameFile> table(kGameFileTable.begin(), kGameFileTable.end());
  if (!std::equal(table.begin(), table.end(), demo_.rows().begin(), demo_.rows().end(),
                  [](const GameFile& a, const GameFile& b) { return a.name == b.name && a.sha1 == b.sha1; })) {
    GTEST_SKIP() << "built with another digest list (MYR_GAME_FILE_DIGESTS)";
  }
  const Result<ExtractionOutcome> outcome = extractGameFiles(fixturePath("demo.iso"), target_, kGameFileTable, {});
  ASSERT_TRUE(outcome) << outcome.error().message;
  expectComplete(target_, kGameFileTable);
}

TEST_F(Extraction, CopiesVerifiesAndReportsEachFileInTableOrder) {
  Progress progress;
  const Result<ExtractionOutcome> outcome =
      extractGameFiles(fixturePath("demo.iso"), target_, demo_.rows(), progress.callback());
  ASSERT_TRUE(outcome) << outcome.error().message;
  EXPECT_EQ(*outcome, ExtractionOutcome::Extracted);
  EXPECT_EQ(progress.calls, progress.expectedUpTo(demo_.rows(), 10));
  expectComplete(target_, demo_.rows());

  // The boot file is there: nothing is done, the image is not even opened.
  Progress again;
  const Result<ExtractionOutcome> second =
      extractGameFiles(folder_ / L"gone.iso", target_, demo_.rows(), again.callback());
  ASSERT_TRUE(second);
  EXPECT_EQ(*second, ExtractionOutcome::AlreadyPresent);
  EXPECT_TRUE(again.calls.empty());
}

TEST_F(Extraction, ABootFileFolderCountsAsPresent) {
  fs::create_directories(target_ / L"QXUS_404.04");
  const Result<ExtractionOutcome> outcome = extractGameFiles(folder_ / L"gone.iso", target_, demo_.rows(), {});
  ASSERT_TRUE(outcome);
  EXPECT_EQ(*outcome, ExtractionOutcome::AlreadyPresent);
}

TEST_F(Extraction, TakesContainerFilesOverDecoysAndCopiesEmptyFiles) {
  const Result<ExtractionOutcome> overridden = extractGameFiles(fixturePath("override.iso"), target_, demo_.rows(), {});
  ASSERT_TRUE(overridden) << overridden.error().message;
  expectComplete(target_, demo_.rows());

  DigestList emptyFile = DigestList::fromFile(fixturePath("empty_file.sha1"));
  const fs::path other = folder_ / L"other";
  const Result<ExtractionOutcome> empty = extractGameFiles(fixturePath("empty_file.iso"), other, emptyFile.rows(), {});
  ASSERT_TRUE(empty) << empty.error().message;
  EXPECT_EQ(fs::file_size(other / L"MDB.IRX"), 0u);
  expectComplete(other, emptyFile.rows());
}

// Failures before anything is written: the target folder is never made.
TEST_F(Extraction, ExplainsImagesItCannotUse) {
  struct Case {
    fs::path image;
    std::string message;
  };
  const Case cases[] = {
      {folder_ / L"gone.iso", "The disc image cannot be opened: " + systemErrorText(ERROR_FILE_NOT_FOUND) + "."},
      {fixturePath("no_container.iso"), "DATAPAK.CVM is missing from the disc image."},
      {fixturePath("sub_container.iso"), "DATAPAK.CVM is missing from the disc image."},
      {fixturePath("stream.bin"), "No ISO 9660 volume at byte 32768 of the image."},
  };
  for (const Case& c : cases) {
    Progress progress;
    const Result<ExtractionOutcome> outcome = extractGameFiles(c.image, target_, demo_.rows(), progress.callback());
    ASSERT_FALSE(outcome) << c.image.string();
    EXPECT_EQ(outcome.error().message, c.message);
    EXPECT_TRUE(progress.calls.empty());
    EXPECT_FALSE(fs::exists(folder_ / L"game"));
  }
  std::vector<GameFile> unknown(demo_.rows());
  unknown[4].name = "MDX.IRX";
  const Result<ExtractionOutcome> missing = extractGameFiles(fixturePath("demo.iso"), target_, unknown, {});
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().message, "MDX.IRX is not on the disc image.");
}

TEST_F(Extraction, AWrongDigestLeavesNothingAndRemovesTheFoldersItMade) {
  std::vector<GameFile> table(demo_.rows());
  table[6].sha1 = "0000000000000000000000000000000000000000";
  Progress progress;
  const Result<ExtractionOutcome> outcome =
      extractGameFiles(fixturePath("demo.iso"), target_, table, progress.callback());
  ASSERT_FALSE(outcome);
  EXPECT_EQ(outcome.error().message,
            "OV_MAIN_ONE_US.OVL differs from the retail USA disc (QXUS-40404, version 1.00): the image is another "
            "revision, modified or a bad dump. Nothing was written.");
  EXPECT_EQ(progress.calls, progress.expectedUpTo(table, 6));
  EXPECT_FALSE(fs::exists(folder_ / L"game"));

  // A folder that was there before stays, and so do files of others in it.
  fs::create_directories(target_);
  writeFile(target_ / L"notes.txt", "mine");
  ASSERT_FALSE(extractGameFiles(fixturePath("demo.iso"), target_, table, {}));
  EXPECT_EQ(entriesOf(target_), std::vector<std::wstring>{L"notes.txt"});
}

TEST_F(Extraction, RefusesAFileOutsideItsContainer) {
  const BuiltDisc disc([](IsoNode& node) {
    if (node.identifier == "MDC.IRX;1") node.length = 50000;
  });
  writeFile(folder_ / L"built.iso", disc.image);
  const Result<ExtractionOutcome> outcome = extractGameFiles(folder_ / L"built.iso", target_, disc.table, {});
  ASSERT_FALSE(outcome);
  EXPECT_EQ(outcome.error().message,
            "MDC.IRX points outside the image: the image is cut short or is not this disc. Nothing was written.");
  EXPECT_FALSE(fs::exists(folder_ / L"game"));

  const BuiltDisc good;
  writeFile(folder_ / L"good.iso", good.image);
  ASSERT_TRUE(extractGameFiles(folder_ / L"good.iso", target_, good.table, {}));
  expectComplete(target_, good.table);
}

TEST_F(Extraction, ATargetThatIsAFileIsRefused) {
  fs::create_directories(target_.parent_path());
  writeFile(target_, "a file");
  const Result<ExtractionOutcome> outcome = extractGameFiles(fixturePath("demo.iso"), target_, demo_.rows(), {});
  ASSERT_FALSE(outcome);
  EXPECT_EQ(outcome.error().message, folderWriteError(target_, ERROR_ALREADY_EXISTS).message);
  EXPECT_EQ(testing::readWholeFile(target_), "a file");
}

// Another program holds the third file's temporary or final name open without sharing.
TEST_F(Extraction, ALockedThirdFileUndoesTheFirstTwoAndALaterRunSucceeds) {
  for (const wchar_t* locked : {L"MODPAK.BIN.partial", L"MODPAK.BIN"}) {
    fs::create_directories(target_);
    const fs::path lockedPath = target_ / locked;
    WinHandle holder(CreateFileW(lockedPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    Progress progress;
    const Result<ExtractionOutcome> outcome =
        extractGameFiles(fixturePath("demo.iso"), target_, demo_.rows(), progress.callback());
    ASSERT_FALSE(outcome);
    const std::string expected = std::wstring(locked).ends_with(L".partial")
                                     ? folderWriteError(target_, ERROR_SHARING_VIOLATION).message
                                     : "MODPAK.BIN cannot be put in place in " + toUtf8(target_.native()) + ": " +
                                           systemErrorText(outcome.error().systemCode) + ".";
    EXPECT_EQ(outcome.error().message, expected);
    EXPECT_EQ(entriesOf(target_), std::vector<std::wstring>{locked});

    holder.reset();
    ASSERT_TRUE(extractGameFiles(fixturePath("demo.iso"), target_, demo_.rows(), {}));
    fs::remove(target_ / locked);
    EXPECT_TRUE(fs::exists(target_ / L"QXUS_404.04"));
    fs::remove_all(target_);
  }
}

TEST(FolderWriteError, SuggestsAnotherFolderWhenWritingIsForbidden) {
  const fs::path folder = L"C:\\Program Files\\Myrrowen\\disc";
  for (const unsigned long code : {5ul, 19ul, 1314ul}) {
    const Error error = folderWriteError(folder, code);
    EXPECT_EQ(error.message, "The game's folder C:\\Program Files\\Myrrowen\\disc cannot be written to (" +
                                 systemErrorText(code) +
                                 "). Unpack the game into a folder you can write to, such as one in Documents, not "
                                 "into Program Files.");
    EXPECT_EQ(error.systemCode, code);
  }
  EXPECT_EQ(folderWriteError(folder, ERROR_DISK_FULL).message,
            "The game's files cannot be written to C:\\Program Files\\Myrrowen\\disc: " +
                systemErrorText(ERROR_DISK_FULL) + ".");
}

// The extraction runs in a process of its own that is killed at many points: after each file
// reported, and at growing delays after the last one, when the files are being put in place.
// Whatever the moment, the boot file is never there without the ten others, whole.
TEST_F(Extraction, KillingTheProcessNeverLeavesTheBootFileWithoutTheOthers) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const fs::path child = fs::path(self).parent_path() / MYR_DISC_EXTRACT_CHILD;
  const std::wstring arguments = L"\"" + fixturePath("demo.iso").wstring() + L"\" \"" + target_.wstring() + L"\" \"" +
                                 fixturePath("demo.sha1").wstring() + L"\"";
  std::vector<std::pair<int, int>> killPoints;  // after the line of file n, then a delay in ms
  for (int file = 0; file < 11; ++file) killPoints.push_back({file, 0});
  for (int delay = 1; delay <= 256; delay *= 2) killPoints.push_back({10, delay});
  int completeRuns = 0;
  for (const auto& [file, delay] : killPoints) {
    myr::testing::LauncherProcess process(child, {}, arguments);
    const std::string awaited = "copying " + std::to_string(file) + "/11 ";
    for (std::optional<std::string> line = process.readLine(); line && !line->starts_with(awaited);) {
      line = process.readLine();
    }
    Sleep(static_cast<DWORD>(delay));
    const WinHandle handle(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process.processId()));
    ASSERT_TRUE(handle);
    TerminateProcess(handle.get(), 9);
    WaitForSingleObject(handle.get(), INFINITE);
    if (fs::exists(target_ / L"QXUS_404.04")) {
      ++completeRuns;
      for (const GameFile& row : demo_.rows()) {
        EXPECT_EQ(sha1Of(testing::readWholeFile(target_ / toWide(row.name))), row.sha1)
            << row.name << " after a kill at file " << file << " + " << delay << " ms";
      }
      fs::remove_all(target_);
    }
  }
  std::printf("the extraction had finished before %d of %zu kills\n", completeRuns, killPoints.size());

  // A run after all that succeeds, whatever the killed runs left behind.
  myr::testing::LauncherProcess last(child, {}, arguments);
  EXPECT_EQ(last.waitForExit(std::chrono::seconds(60)), std::optional<DWORD>(0));
  ASSERT_TRUE(fs::exists(target_ / L"QXUS_404.04"));
  for (const GameFile& row : demo_.rows()) {
    EXPECT_EQ(sha1Of(testing::readWholeFile(target_ / toWide(row.name))), row.sha1) << row.name;
  }
}

}  // namespace
}  // namespace myr::disc
