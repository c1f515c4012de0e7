#pragma once

// The maintenance commands in a test program: a host with a game folder of its own, a guard text
// the test sets, recorded shell openings, and the replies as the page would receive them.

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/commands/command.h"
#include "foundation/commands/file_operations.h"
#include "foundation/json/json.h"
#include "maintenance/maintenance_commands_win.h"
#include "support/launcher_fixture.h"
#include "support/reply_recorder.h"
#include "support/temp_folder.h"

namespace myr::maintenance {

using testing::ReplyRecorder;

class TestHost final : public MaintenanceHost {
 public:
  explicit TestHost(std::filesystem::path game) : game_(std::move(game)) {}
  const std::filesystem::path& gameFolder() const override { return game_; }
  std::string runningGuard() const override { return guard; }
  std::filesystem::path discFolder() const override { return disc; }
  commands::FileOperations& fileOperations() override { return operations; }
  ModalUi& modalUi() override { return modal; }
  ReportFacts reportFacts() override { return facts; }
  void note(std::string_view message) override { notes.emplace_back(message); }

  std::string guard;
  std::filesystem::path disc;
  ReportFacts facts;
  std::vector<std::string> notes;
  commands::FileOperations operations;
  std::vector<testing::RecordingModalUi::Shown> dialogs;
  MessageAnswer answer = MessageAnswer::No;
  testing::RecordingModalUi modal{dialogs, answer};

 private:
  std::filesystem::path game_;
};

class MaintenanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetEnvironmentVariableW(L"ZEVR_DATA_DIR", nullptr);
    std::filesystem::create_directories(game);
  }
  void TearDown() override { SetEnvironmentVariableW(L"ZEVR_DATA_DIR", nullptr); }

  // Sends one request and waits for its reply: {"id", "ok", "result" or "error"}.
  json::Value run(std::string_view name, json::Value args = json::Value::object()) {
    start(name, std::move(args));
    return replies->next();
  }
  void start(std::string_view name, json::Value args = json::Value::object()) {
    const commands::Handler* handler = commands::findCommand(commands, name);
    ASSERT_NE(handler, nullptr) << name;
    (*handler)(args, commands::Reply(++lastId_, replies));
  }
  static json::Value argument(std::string name, json::Value value) {
    json::Value args = json::Value::object();
    args.set(std::move(name), std::move(value));
    return args;
  }

  testing::TempFolder folder;
  const std::filesystem::path game = folder / L"game";
  TestHost host{game};
  commands::CommandList commands = maintenanceCommands(host);
  std::shared_ptr<ReplyRecorder> replies = std::make_shared<ReplyRecorder>();

 private:
  double lastId_ = 0;
};

inline void writeFile(const std::filesystem::path& path, std::size_t size) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << std::string(size, 'x');
}

}  // namespace myr::maintenance
