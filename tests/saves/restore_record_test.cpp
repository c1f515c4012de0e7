// The record a restore keeps while it changes the saves: written and read back the same, and
// anything it cannot vouch for refused with the line at fault.

#include <gtest/gtest.h>

#include "saves/restore_record.h"

namespace myr::saves {
namespace {

const std::string kA(64, 'a');
const std::string kB(64, 'b');
const std::string kC(64, 'c');

RestoreRecord sample() {
  return RestoreRecord{"2024-01-31_10-00-00",
                       "2024-02-01_09-30-00_before-restore",
                       {{RecordTarget::Kind::Replace, "memcards/Mcd001.ps2", kA, RecordedFile{8650752, 1706695200123, kB}},
                        {RecordTarget::Kind::Create, "states/slot 1.state", kC, std::nullopt},
                        {RecordTarget::Kind::Delete, "savedata/QXUS-40404/save-002.myrsave", "",
                         RecordedFile{10, -5, kC}}}};
}

TEST(RestoreRecord, IsWrittenAsLinesAndReadBackTheSame) {
  const std::string text = formatRestoreRecord(sample());
  EXPECT_EQ(text, "myr_launcher restore record 2\n"
                  "set 2024-01-31_10-00-00\n"
                  "safety 2024-02-01_09-30-00_before-restore\n"
                  "replace " + kA + " 8650752 1706695200123 " + kB + " memcards/Mcd001.ps2\n"
                  "create " + kC + " states/slot 1.state\n"
                  "delete 10 -5 " + kC + " savedata/QXUS-40404/save-002.myrsave\n");
  EXPECT_EQ(*parseRestoreRecord(text), sample());

  RestoreRecord withoutSafety = sample();
  withoutSafety.safetyBackup.clear();
  EXPECT_EQ(*parseRestoreRecord(formatRestoreRecord(withoutSafety)), withoutSafety);
}

TEST(RestoreRecord, RefusesWhatItCannotVouchFor) {
  const std::string head = "myr_launcher restore record 2\nset 2024-01-31_10-00-00\nsafety \n";
  const std::pair<std::string, std::string> cases[] = {
      {"", "its line 1 is damaged"},
      {"myr_launcher restore record 1\n", "its line 1 is damaged"},
      {kA + "  memcards/Mcd001.ps2\n",
       "it was written by an earlier launcher and does not say what the saves were before the restore"},
      {"myr_launcher restore record 2\nset ../x\nsafety \n", "its line 2 is damaged"},
      {"myr_launcher restore record 2\nset 2024-01-31_10-00-00\n", "its line 2 is damaged"},
      {"myr_launcher restore record 2\nset 2024-01-31_10-00-00\nsafety x\n", "its line 3 is damaged"},
      {head + "create " + kA + " memcards/Mcd001.ps2.import-tmp\n", "its line 4 is damaged"},
      {head + "create " + kA + " ../memcards/x\n", "its line 4 is damaged"},
      {head + "create " + kA.substr(1) + "A memcards/x\n", "its line 4 is damaged"},
      {head + "replace " + kA + " 1 2 memcards/x\n", "its line 4 is damaged"},
      {head + "replace " + kA + " -1 2 " + kB + " memcards/x\n", "its line 4 is damaged"},
      {head + "delete 1 2x " + kB + " memcards/x\n", "its line 4 is damaged"},
      {head + "move " + kA + " memcards/x\n", "its line 4 is damaged"},
      {head + "create " + kA + " memcards/x\ncreate " + kB + " MEMCARDS/x\n", "its line 5 is damaged"},
  };
  for (const auto& [text, error] : cases) {
    const Result<RestoreRecord> record = parseRestoreRecord(text);
    ASSERT_FALSE(record) << text;
    EXPECT_EQ(record.error().message, error) << text;
  }
  EXPECT_TRUE(parseRestoreRecord(head + "\r\ncreate " + kA + " memcards/x\r\n"));
}

}  // namespace
}  // namespace myr::saves
