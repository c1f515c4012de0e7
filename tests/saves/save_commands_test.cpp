// The save commands as the page sends them: refused at once while the game may be writing the
// saves, and while an interrupted restore waits for the player.

#include <gtest/gtest.h>

#include "foundation/files/win_text.h"
#include "save_files_fixture.h"
#include "saves/backup_sets_win.h"
#include "saves/restore_record.h"
#include "saves/restore_win.h"
#include "saves/save_commands_win.h"
#include "saves/save_files_win.h"
#include "support/reply_recorder.h"
#include "support/temp_folder.h"

namespace myr::saves {
namespace {

class FakeSavesHost final : public SavesHost {
 public:
  explicit FakeSavesHost(std::filesystem::path game) : game_(std::move(game)) {}
  const std::filesystem::path& gameFolder() const override { return game_; }
  std::string runningGuard() const override { return guard; }
  commands::FileOperations& fileOperations() override { return operations; }
  std::string saveFormatSetting() const override { return {}; }

  std::string guard;
  commands::FileOperations operations;

 private:
  std::filesystem::path game_;
};

class SaveCommands : public ::testing::Test {
 protected:
  SaveCommands() {
    test::writeFile(game_ / L"memcards" / L"Mcd001.ps2", std::string(8650752, '\xFF'));
    test::writeFile(game_ / L"savedata" / L"QXUS-40404" / L"system-card-a.parked", "MYRSAVE" + std::string(60, '\0'));
    test::writeFile(game_ / L"states" / L"quick.state", "state");
    set_ = makeBackup(game_.path(), "", localTimeNow())->name;
    saves_ = test::saveContents(game_.path());
  }

  json::Value run(std::string_view name, std::string_view args) {
    const commands::Handler* handler = commands::findCommand(commands_, name);
    EXPECT_NE(handler, nullptr) << name;
    (*handler)(json::parse(args).value_or(json::Value::object()), commands::Reply(++lastId_, replies_));
    return replies_->next();
  }

  // Every command that changes saves, with arguments that would otherwise let it work.
  std::vector<std::pair<std::string, std::string>> writers() const {
    return {{"backup", "{}"},
            {"formatCard", R"({"slot":1})"},
            {"restore", R"({"name":")" + set_ + "\"}"},
            {"swapSystem", R"({"file":"system-card-a.parked"})"},
            {"settleRestore", R"({"action":"finish"})"}};
  }

  myr::testing::TempFolder game_;
  FakeSavesHost host_{game_.path()};
  commands::CommandList commands_ = saveCommands(host_);
  std::shared_ptr<myr::testing::ReplyRecorder> replies_ = std::make_shared<myr::testing::ReplyRecorder>();
  std::string set_;
  std::map<std::string, std::string> saves_;
  double lastId_ = 0;
};

TEST_F(SaveCommands, EveryWriterIsRefusedWhileTheGameMayWriteTheSaves) {
  host_.guard = "Close the game first: it may be writing the memory card.";
  for (const auto& [name, args] : writers()) {
    const json::Value reply = run(name, args);
    EXPECT_EQ(reply.get("error").asString(), host_.guard) << name;
  }
  EXPECT_EQ(test::saveContents(game_.path()), saves_);
  EXPECT_EQ(listBackupSets(game_.path()).size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(game_ / L"savedata" / L"QXUS-40404" / L"system.myrsave"));
}

TEST_F(SaveCommands, WhileARestoreWaitsOnlyBackupAndSettlingWork) {
  // A record whose staged card is gone while the card is not the set's: it cannot be finished alone.
  RestoreRecord record{set_, "", {{RecordTarget::Kind::Create, "states/quick.state", std::string(64, 'a'), {}}}};
  test::writeFile(game_ / L"backups" / L"restore.journal", formatRestoreRecord(record));
  for (const auto& [name, args] : writers()) {
    const json::Value reply = run(name, args);
    if (name == "backup" || name == "settleRestore") {
      EXPECT_TRUE(reply.get("ok").asBool()) << name << json::write(reply);
    } else {
      EXPECT_EQ(reply.get("error").asString(), kRestorePendingRefusal) << name;
    }
  }
  EXPECT_EQ(json::write(run("settleRestore", R"({"action":"later"})")),
            R"({"id":6,"ok":false,"error":"The action must be \"finish\" or \"undo\"."})");
  EXPECT_EQ(json::write(run("settleRestore", R"({"action":"undo"})")),
            R"({"id":7,"ok":false,"error":"There is no interrupted restore."})");
}

}  // namespace
}  // namespace myr::saves
