#pragma once

// The launcher's owner object inside a test program: a hidden main window with the real window
// procedure, a fake browser engine, recorded dialogs and a game folder of its own.

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/launcher_win.h"
#include "foundation/modal_ui.h"
#include "support/fake_browser.h"
#include "support/temp_folder.h"

namespace myr::testing {

class RecordingModalUi final : public ModalUi {
 public:
  struct Shown {
    std::string text;
    MessageButtons buttons;
  };

  RecordingModalUi(std::vector<Shown>& shown, const MessageAnswer& answer) : shown_(shown), answer_(answer) {}
  MessageAnswer showError(const std::string& text, MessageButtons buttons) override {
    shown_.push_back({text, buttons});
    return answer_;
  }
  std::optional<std::filesystem::path> chooseFile(const FileChoice& choice) override {
    shown_.push_back({"choose: " + std::string(choice.title.begin(), choice.title.end()), MessageButtons::Ok});
    return std::exchange(nextChoice, std::nullopt);
  }
  Status openInShell(const std::filesystem::path& target) override {
    opened.push_back(target);
    return openOutcome;
  }
  Status showInFolder(const std::filesystem::path& file) override {
    shownInFolder.push_back(file);
    return openOutcome;
  }

  // What the next file dialog answers; nothing is a cancel.
  std::optional<std::filesystem::path> nextChoice;
  // What would have been opened, in order; nothing is started.
  std::vector<std::filesystem::path> opened;
  std::vector<std::filesystem::path> shownInFolder;
  Status openOutcome;

 private:
  std::vector<Shown>& shown_;
  const MessageAnswer& answer_;
};

class LauncherFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A new launcher with its own window, whose browser is a fake engine with these options; the
  // game folder and the dialogs shown so far stay.
  FakeEngine& useEngine(FakeBrowserOptions options);
  // startUi and everything its asynchronous results bring.
  void startPage();
  void setVariable(const wchar_t* name, const wchar_t* value);
  // An exclusive file operation that runs until the test ends.
  void holdFileOperation();

  app::Launcher& launcher() { return *launcher_; }
  FakeController& controller() { return *engine->controllers.back(); }
  FakeView& view() { return *controller().fakeView(); }
  bool windowAlive() const { return IsWindow(window) != FALSE; }

  TempFolder folder;
  std::filesystem::path gameFolder;
  HWND window = nullptr;
  FakeEngine* engine = nullptr;
  RecordingModalUi* modalUi = nullptr;
  std::vector<RecordingModalUi::Shown> dialogs;
  MessageAnswer dialogAnswer = MessageAnswer::No;

 private:
  std::unique_ptr<app::Launcher> launcher_;
  std::vector<std::wstring> variablesSet_;
  std::promise<void> releaseHeld_;
  std::shared_future<void> held_ = releaseHeld_.get_future().share();
};

}  // namespace myr::testing
