// "shortcut" on the real desktop of the account (the Wine prefix's under Wine), read back through
// the system's own shell link object. The launcher here is this test program.

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "foundation/environment_win.h"
#include "foundation/files/win_text.h"
#include "maintenance/maintenance_fixture.h"
#include "maintenance/shortcuts_win.h"

namespace fs = std::filesystem;
using Microsoft::WRL::ComPtr;

namespace myr::maintenance {
namespace {

struct LinkFields {
  std::wstring target;
  std::wstring arguments;
  std::wstring workingFolder;
  std::wstring description;
  std::wstring icon;
  int iconIndex = -1;
};

LinkFields readLink(const fs::path& file) {
  LinkFields fields;
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> persist;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) ||
      FAILED(link.As(&persist)) || FAILED(persist->Load(file.c_str(), STGM_READ))) {
    ADD_FAILURE() << "cannot read " << file;
    return fields;
  }
  wchar_t text[1040] = {};
  link->GetPath(text, 1040, nullptr, SLGP_RAWPATH);
  fields.target = text;
  link->GetArguments(text, 1040);
  fields.arguments = text;
  link->GetWorkingDirectory(text, 1040);
  fields.workingFolder = text;
  link->GetDescription(text, 1040);
  fields.description = text;
  link->GetIconLocation(text, 1040, &fields.iconIndex);
  fields.icon = text;
  return fields;
}

fs::path thisProgram() {
  wchar_t path[1040];
  return fs::path(std::wstring(path, GetModuleFileNameW(nullptr, path, 1040)));
}

std::vector<fs::path> desktopShortcuts(const fs::path& desktop) {
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(desktop)) {
    const fs::path name = entry.path().filename();
    if (name.wstring().starts_with(L"Myrrowen") && name.extension() == L".lnk") found.push_back(name);
  }
  std::sort(found.begin(), found.end());
  return found;
}

class ShortcutCommand : public MaintenanceTest {
 protected:
  void SetUp() override {
    MaintenanceTest::SetUp();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_FALSE(desktop.empty());
    removeShortcuts();
  }
  void TearDown() override {
    removeShortcuts();
    CoUninitialize();
    MaintenanceTest::TearDown();
  }
  void removeShortcuts() {
    for (const wchar_t* name : {L"Myrrowen.lnk", L"Myrrowen Launcher.lnk"}) DeleteFileW((desktop / name).c_str());
  }

  const fs::path desktop = knownFolderPath(FOLDERID_Desktop);
};

TEST_F(ShortcutCommand, PutsOneOfEachKindOnTheDesktopHoweverOftenAsked) {
  struct Case {
    json::Value args;
    const wchar_t* file;
    const wchar_t* arguments;
    const wchar_t* description;
  };
  const Case cases[] = {
      {argument("kind", "play"), L"Myrrowen.lnk", L"--play", L"Myrrowen: start the game with the launcher's settings"},
      {argument("kind", "play"), L"Myrrowen.lnk", L"--play", L"Myrrowen: start the game with the launcher's settings"},
      {argument("kind", "Play"), L"Myrrowen Launcher.lnk", L"", L"Myrrowen: settings, controls and saves"},
      {json::Value::object(), L"Myrrowen Launcher.lnk", L"", L"Myrrowen: settings, controls and saves"},
  };
  for (const Case& c : cases) {
    const json::Value reply = run("shortcut", c.args);
    EXPECT_EQ(json::write(reply.get("result")), json::write(argument("path", toUtf8((desktop / c.file).native()))))
        << json::write(c.args) << json::write(reply);
    const LinkFields link = readLink(desktop / c.file);
    EXPECT_EQ(link.target, thisProgram().native());
    EXPECT_EQ(link.arguments, c.arguments);
    EXPECT_EQ(link.workingFolder, game.native());
    EXPECT_EQ(link.description, c.description);
    EXPECT_EQ(link.icon, thisProgram().native());
    EXPECT_EQ(link.iconIndex, 0);
  }
  EXPECT_EQ(desktopShortcuts(desktop), (std::vector<fs::path>{L"Myrrowen Launcher.lnk", L"Myrrowen.lnk"}));
}

TEST_F(ShortcutCommand, EachWayOfFailingIsToldInItsOwnWords) {
  const fs::path folder = game / L"desktop";
  fs::create_directories(folder / L"Myrrowen.lnk");  // a folder where the file would go
  EXPECT_EQ(createDesktopShortcut(true, game, L"").error().message, "Windows has no desktop folder for this account.");
  EXPECT_EQ(createDesktopShortcut(true, game, folder).error().message,
            toUtf8((folder / L"Myrrowen.lnk").native()) + " could not be written.");
  // A thread outside any COM apartment gets no shell link object.
  std::string outsideCom;
  std::thread([&] { outsideCom = createDesktopShortcut(false, game, folder).error().message; }).join();
  EXPECT_EQ(outsideCom, "The shortcut could not be created (IShellLink).");
  EXPECT_FALSE(fs::exists(folder / L"Myrrowen Launcher.lnk"));
}

}  // namespace
}  // namespace myr::maintenance
