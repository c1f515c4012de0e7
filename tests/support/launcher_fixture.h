#pragma once

// The launcher's UI-thread state inside a test program: a hidden main window with the real window
// procedure, a fake browser engine, recorded dialogs and a game folder of its own.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/modal_ui_win.h"
#include "support/fake_browser.h"

namespace myr::testing {

class RecordingModalUi final : public app::ModalUi {
 public:
  struct Shown {
    std::string text;
    app::MessageButtons buttons;
  };
  std::vector<Shown>* shown;
  app::MessageAnswer answer;

  RecordingModalUi(std::vector<Shown>* shown, app::MessageAnswer answer) : shown(shown), answer(answer) {}
  app::MessageAnswer showError(HWND, const std::string& text, app::MessageButtons buttons) override {
    shown->push_back({text, buttons});
    return answer;
  }
};

class LauncherFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Replaces the engine before anything starts.
  FakeEngine& useEngine(FakeBrowserOptions options);
  // startUi and everything its asynchronous results bring.
  void startPage();
  void setVariable(const wchar_t* name, const wchar_t* value);

  FakeController& controller() { return *engine->controllers.back(); }
  FakeView& view() { return *controller().fakeView(); }
  bool windowAlive() const { return IsWindow(window) != FALSE; }

  std::filesystem::path gameFolder;
  HWND window = nullptr;
  FakeEngine* engine = nullptr;
  std::vector<RecordingModalUi::Shown> dialogs;
  app::MessageAnswer dialogAnswer = app::MessageAnswer::No;

 private:
  std::vector<std::wstring> variablesSet_;
};

}  // namespace myr::testing
