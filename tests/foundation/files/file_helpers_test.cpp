#include "foundation/files/file_helpers.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "foundation/files/win_handle.h"
#include "foundation/files/win_text.h"
#include "support/folder_link.h"

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::StartsWith;

namespace myr {
namespace {

using myr::testing::FolderLink;

void writeBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool pathExists(const fs::path& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool isFolder(const fs::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

fs::path temporaryOf(const fs::path& target) { return fs::path(target.native() + L".tmp"); }

// Removes a tree; links inside are removed, never followed.
void removeTree(const fs::path& folder) {
  WIN32_FIND_DATAW entry{};
  const FindHandle search(
      FindFirstFileExW((folder / L"*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0));
  if (search) {
    do {
      const std::wstring_view name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const fs::path child = folder / entry.cFileName;
      const bool isFolderEntry = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      const bool isLinkEntry = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      if (isFolderEntry && !isLinkEntry) {
        removeTree(child);
      } else if (!(isFolderEntry && RemoveDirectoryW(child.c_str()))) {
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(search.get(), &entry));
  }
  RemoveDirectoryW(folder.c_str());
}

class FileHelpersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH + 1];
    ASSERT_NE(GetTempPathW(MAX_PATH + 1, temp), 0u);
    root_ = fs::path(temp) /
            (L"myr_files_test_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(counter++));
    ASSERT_TRUE(CreateDirectoryW(root_.c_str(), nullptr));
  }
  void TearDown() override { removeTree(root_); }

  fs::path root_;
};

// --- fileStatus -----------------------------------------------------------

TEST_F(FileHelpersTest, FileStatusDescribesFilesFoldersAndMissingPaths) {
  const fs::path file = root_ / L"card1.ps2";
  writeBytes(file, "12345");
  {
    const WinHandle handle(CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    // 2021-01-01 00:00:01.2345678 UTC; the sub-millisecond rest is cut off.
    const std::uint64_t ticks = 132539328000000000 + 12345678;
    FILETIME written{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    ASSERT_TRUE(SetFileTime(handle.get(), nullptr, nullptr, &written));
  }
  const FileStatus ofFile = fileStatus(file);
  EXPECT_TRUE(ofFile.exists);
  EXPECT_FALSE(ofFile.isDirectory);
  EXPECT_EQ(ofFile.size, 5u);
  EXPECT_EQ(ofFile.modifiedMs, 1609459201234);

  const FileStatus ofFolder = fileStatus(root_);
  EXPECT_TRUE(ofFolder.exists);
  EXPECT_TRUE(ofFolder.isDirectory);
  EXPECT_EQ(ofFolder.size, 0u);

  const FileStatus ofMissing = fileStatus(root_ / L"missing" / L"card2.ps2");
  EXPECT_FALSE(ofMissing.exists);
  EXPECT_FALSE(ofMissing.isDirectory);
  EXPECT_EQ(ofMissing.size, 0u);
  EXPECT_EQ(ofMissing.modifiedMs, 0);
}

// --- readFileLimited ------------------------------------------------------

TEST_F(FileHelpersTest, ReadFileLimitedReadsUpToTheLimitAndNamesTheLimitBeyondIt) {
  struct Case {
    std::size_t size;
    std::uint64_t limit;
    bool readable;
  };
  const Case cases[] = {{0, 0, true}, {0, 16, true}, {16, 16, true}, {17, 16, false}, {1, 0, false}};
  for (const Case& c : cases) {
    const fs::path file = root_ / (L"file_" + std::to_wstring(c.size) + L"_" + std::to_wstring(c.limit));
    const std::string content(c.size, 'x');
    writeBytes(file, content);
    const Result<std::string> bytes = readFileLimited(file, c.limit);
    if (c.readable) {
      ASSERT_TRUE(bytes.ok()) << bytes.error().message;
      EXPECT_EQ(*bytes, content);
    } else {
      ASSERT_FALSE(bytes.ok());
      EXPECT_EQ(bytes.error().message, toUtf8(file.native()) + ": larger than " + std::to_string(c.limit) + " bytes");
    }
  }
}

TEST_F(FileHelpersTest, ReadFileLimitedReportsAMissingFileWithTheSystemMessage) {
  const fs::path file = root_ / L"myr.ini";
  const Result<std::string> bytes = readFileLimited(file, 1024);
  ASSERT_FALSE(bytes.ok());
  EXPECT_EQ(bytes.error().message, pathError(file, ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(bytes.error().systemCode, static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FileHelpersTest, ReadFileLimitedReadsAFileAnotherHandleIsWriting) {
  const fs::path file = root_ / L"last_run.log";
  const WinHandle writer(
      CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(writer);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(writer.get(), "line 1\n", 7, &written, nullptr));

  const Result<std::string> bytes = readFileLimited(file, 1024);
  ASSERT_TRUE(bytes.ok()) << bytes.error().message;
  EXPECT_EQ(*bytes, "line 1\n");
}

// --- writeFileAtomic ------------------------------------------------------

TEST_F(FileHelpersTest, WriteFileAtomicPutsTheNewContentInPlace) {
  struct Case {
    const char* name;
    fs::path target;
    std::function<void(const fs::path&)> prepare;
    std::string bytes;
  };
  const auto nothing = [](const fs::path&) {};
  const Case cases[] = {
      {"missing folder chain", root_ / L"a" / L"b" / L"c" / L"myr.ini", nothing, "[Display]\n"},
      {"longer old content", root_ / L"myr.ini",
       [](const fs::path& target) { writeBytes(target, "old content that is longer"); }, "new"},
      {"empty new content", root_ / L"empty.ini", [](const fs::path& target) { writeBytes(target, "old"); }, ""},
      {"stale temporary file", root_ / L"manifest.sha256",
       [](const fs::path& target) { writeBytes(temporaryOf(target), "left from a crash"); }, "fresh"},
  };
  for (const Case& c : cases) {
    c.prepare(c.target);
    const Status written = writeFileAtomic(c.target, c.bytes);
    EXPECT_TRUE(written.ok()) << c.name << ": " << (written ? "" : written.error().message);
    EXPECT_EQ(readBytes(c.target), c.bytes) << c.name;
    EXPECT_FALSE(pathExists(temporaryOf(c.target))) << c.name;
  }
}

TEST_F(FileHelpersTest, FailedWriteFileAtomicKeepsTheOldTargetAndLeavesNoTemporaryFile) {
  const fs::path target = root_ / L"myr.ini";
  const fs::path temporary = temporaryOf(target);
  struct Case {
    const char* name;
    std::function<WinHandle()> prepare;  // the returned handle stays open during the write
    fs::path named;                      // the path the message must begin with
    bool targetIsFolder;
    bool temporaryIsOurs;
  };
  const Case cases[] = {
      {"target open without delete sharing",
       [&] {
         writeBytes(target, "old");
         return WinHandle(
             CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
       },
       target, false, true},
      {"target is a folder",
       [&] {
         CreateDirectoryW(target.c_str(), nullptr);
         return WinHandle();
       },
       target, true, true},
      {"temporary name is taken by a folder",
       [&] {
         writeBytes(target, "old");
         CreateDirectoryW(temporary.c_str(), nullptr);
         return WinHandle();
       },
       temporary, false, false},
  };
  for (const Case& c : cases) {
    removeTree(root_);
    ASSERT_TRUE(CreateDirectoryW(root_.c_str(), nullptr));
    {
      const WinHandle held = c.prepare();
      const Status written = writeFileAtomic(target, "new");
      ASSERT_FALSE(written.ok()) << c.name;
      const std::string& error = written.error().message;
      EXPECT_THAT(error, StartsWith(toUtf8(c.named.native()) + ": ")) << c.name;
      EXPECT_GT(error.size(), toUtf8(c.named.native()).size() + 2) << c.name;
    }
    if (c.targetIsFolder) {
      EXPECT_TRUE(isFolder(target)) << c.name;
    } else {
      EXPECT_EQ(readBytes(target), "old") << c.name;
    }
    if (c.temporaryIsOurs) {
      EXPECT_FALSE(pathExists(temporary)) << c.name;
    } else {
      EXPECT_TRUE(isFolder(temporary)) << c.name;
    }
  }
}

TEST_F(FileHelpersTest, AFolderThatCannotBeMadeIsNamedAsTheFailingStep) {
  // A file stands where a folder of the chain should be: that folder is the step that fails.
  writeBytes(root_ / L"saves", "a file");
  const fs::path target = root_ / L"saves" / L"deep" / L"myr.ini";
  const Status written = writeFileAtomic(target, "new");
  ASSERT_FALSE(written.ok());
  EXPECT_THAT(written.error().message, StartsWith(toUtf8((root_ / L"saves" / L"deep").native()) + ": "));
  EXPECT_TRUE(createFolderChain(root_ / L"a" / L"b" / L"c").ok());
  EXPECT_TRUE(isFolder(root_ / L"a" / L"b" / L"c"));
  EXPECT_TRUE(createFolderChain(root_ / L"a" / L"b").ok());
}

TEST(WriteFailures, AFullDiskReadsAsOneWhicheverWayTheSystemSaysIt) {
  const std::pair<unsigned long, unsigned long> cases[] = {
      {ERROR_SUCCESS, ERROR_DISK_FULL},  // a write that stopped short
      {ERROR_HANDLE_DISK_FULL, ERROR_DISK_FULL},
      {ERROR_DISK_FULL, ERROR_DISK_FULL},
      {ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
      {ERROR_WRITE_PROTECT, ERROR_WRITE_PROTECT},
  };
  for (const auto& [reported, expected] : cases) EXPECT_EQ(writeFailureCode(reported), expected) << reported;
}

TEST_F(FileHelpersTest, WriteAndReadCarryMoreThanOneChunkIntact) {
  const fs::path target = root_ / L"big.bin";
  std::string bytes((std::size_t{64} << 20) + 3, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7919) >> 8);
  ASSERT_TRUE(writeFileAtomic(target, bytes).ok());
  const Result<std::string> back = readFileLimited(target, bytes.size());
  ASSERT_TRUE(back.ok()) << back.error().message;
  EXPECT_TRUE(*back == bytes);
}

// --- moveFileDurable, deleteFile ------------------------------------------

TEST_F(FileHelpersTest, MoveFileDurableReplacesOnlyWhenAsked) {
  const fs::path from = root_ / L"card1.ps2.import-tmp";
  const fs::path to = root_ / L"card1.ps2";
  writeBytes(from, "new");
  writeBytes(to, "old");

  const Status refused = moveFileDurable(from, to, false);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().systemCode, static_cast<unsigned long>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(refused.error().message, pathError(from, ERROR_ALREADY_EXISTS));
  EXPECT_EQ(readBytes(to), "old");

  EXPECT_TRUE(moveFileDurable(from, to, true).ok());
  EXPECT_EQ(readBytes(to), "new");
  EXPECT_FALSE(pathExists(from));
}

TEST_F(FileHelpersTest, DeleteFileRemovesAFileAndReportsAMissingOne) {
  const fs::path file = root_ / L"state.p2s";
  writeBytes(file, "x");
  EXPECT_TRUE(deleteFile(file).ok());
  EXPECT_FALSE(pathExists(file));
  const Status missing = deleteFile(file);
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().systemCode, static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
}

// --- safeChildPath --------------------------------------------------------

TEST_F(FileHelpersTest, SafeChildPathJoinsHarmlessNamesOnly) {
  const fs::path folder = root_ / L"saves";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  writeBytes(folder / L"slot1.bin", "x");
  struct Case {
    const char* name;
    bool accepted;
  };
  const Case cases[] = {
      {"slot1.bin", true}, {"slot2.bin", true}, {"Spielstand \xC3\xA4", true}, {"..", false},
      {".", false},        {"a\\b", false},     {"..\\outside.bin", false},    {"CON", false},
      {"", false},
  };
  for (const Case& c : cases) {
    const std::optional<fs::path> child = safeChildPath(folder, c.name);
    ASSERT_EQ(child.has_value(), c.accepted) << c.name;
    if (c.accepted) {
      EXPECT_EQ(*child, folder / toWide(c.name)) << c.name;
    }
  }
}

TEST_F(FileHelpersTest, SafeChildPathAcceptsUnnormalisedAndMissingFolders) {
  ASSERT_TRUE(CreateDirectoryW((root_ / L"saves").c_str(), nullptr));
  const fs::path folders[] = {
      root_ / L"other" / L".." / L"saves",
      fs::path((root_ / L"saves").native() + L"\\"),
      root_ / L"not yet" / L"made",
      fs::path((root_ / L"not yet" / L"made").native() + L"\\"),
  };
  for (const fs::path& folder : folders) {
    const std::optional<fs::path> child = safeChildPath(folder, "slot1.bin");
    ASSERT_TRUE(child.has_value()) << toUtf8(folder.native());
    EXPECT_EQ(*child, folder / L"slot1.bin");
  }
}

TEST_F(FileHelpersTest, SafeChildPathRefusesANameThatLinksOutOfTheFolder) {
  const fs::path folder = root_ / L"saves";
  const fs::path outside = root_ / L"outside";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(outside.c_str(), nullptr));
  const FolderLink link(folder / L"escape", outside);
  if (!link.made()) GTEST_SKIP() << "no folder links here";

  EXPECT_FALSE(safeChildPath(folder, "escape").has_value());
  EXPECT_TRUE(safeChildPath(folder, "stay").has_value());
}

// --- folderTreeSize -------------------------------------------------------

TEST_F(FileHelpersTest, FolderTreeSizeAddsFilesOfAllNestedFolders) {
  const fs::path tree = root_ / L"shader_cache";
  for (const wchar_t* folder : {L"", L"sub", L"sub\\deeper", L"empty"}) {
    CreateDirectoryW((tree / folder).c_str(), nullptr);
  }
  writeBytes(tree / L"a.bin", "abc");
  writeBytes(tree / L"sub" / L"b.bin", "abcde");
  writeBytes(tree / L"sub" / L"deeper" / L"c.bin", "abcdefg");

  std::uint64_t files = 0;
  EXPECT_EQ(folderTreeSize(tree, &files), 15u);
  EXPECT_EQ(files, 3u);
  EXPECT_EQ(folderTreeSize(tree), 15u);
}

TEST_F(FileHelpersTest, FolderTreeSizeOfAMissingFolderIsZero) {
  std::uint64_t files = 99;
  EXPECT_EQ(folderTreeSize(root_ / L"missing", &files), 0u);
  EXPECT_EQ(files, 0u);
}

// A folder whose name ends in a dot can be made only through "\\?\": ordinary paths drop the dot,
// so the walk cannot open it, just as it cannot open a folder removed after its parent was
// listed. Listings come sorted, so "a" is still waiting when "m." fails.
TEST_F(FileHelpersTest, FolderTreeSizeSkipsASubfolderItCannotOpenAndGoesOn) {
  const fs::path tree = root_ / L"shader_cache";
  for (const wchar_t* folder : {L"", L"a", L"z"}) {
    CreateDirectoryW((tree / folder).c_str(), nullptr);
  }
  ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + (tree / L"m.").native()).c_str(), nullptr));
  writeBytes(tree / L"a" / L"1.bin", "abc");
  writeBytes(tree / L"z" / L"2.bin", "abcde");

  std::uint64_t files = 0;
  EXPECT_EQ(folderTreeSize(tree, &files), 8u);
  EXPECT_EQ(files, 2u);
  RemoveDirectoryW((L"\\\\?\\" + (tree / L"m.").native()).c_str());
}

TEST_F(FileHelpersTest, FolderTreeSizeDoesNotFollowLinks) {
  const fs::path tree = root_ / L"shader_cache";
  const fs::path outside = root_ / L"outside";
  ASSERT_TRUE(CreateDirectoryW(tree.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(outside.c_str(), nullptr));
  writeBytes(tree / L"a.bin", "abc");
  writeBytes(outside / L"big.bin", std::string(100, 'x'));
  const FolderLink link(tree / L"link", outside);
  if (!link.made()) GTEST_SKIP() << "no folder links here";

  std::uint64_t files = 0;
  EXPECT_EQ(folderTreeSize(tree, &files), 3u);
  EXPECT_EQ(files, 1u);
}

}  // namespace
}  // namespace myr
