#include "maintenance/shortcuts_win.h"

#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <iterator>

#include "foundation/environment_win.h"
#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"

namespace fs = std::filesystem;
using Microsoft::WRL::ComPtr;

namespace myr::maintenance {
namespace {

struct ShortcutKind {
  const wchar_t* fileName;
  const wchar_t* arguments;
  const wchar_t* description;
};

constexpr ShortcutKind kPlayShortcut{L"Myrrowen.lnk", L"--play",
                                     L"Myrrowen: start the game with the launcher's settings"};
constexpr ShortcutKind kLauncherShortcut{L"Myrrowen Launcher.lnk", L"", L"Myrrowen: settings, controls and saves"};

}  // namespace

Result<fs::path> createDesktopShortcut(bool play, const fs::path& gameFolder, const fs::path& desktop) {
  if (desktop.empty()) return Error{"Windows has no desktop folder for this account."};

  const Error notCreated{"The shortcut could not be created (IShellLink)."};
  wchar_t launcher[1040];
  const DWORD length = GetModuleFileNameW(nullptr, launcher, static_cast<DWORD>(std::size(launcher)));
  // A cut-off path would make a shortcut to nothing.
  if (length == 0 || length >= std::size(launcher)) return notCreated;
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)))) {
    return notCreated;
  }

  const ShortcutKind& kind = play ? kPlayShortcut : kLauncherShortcut;
  link->SetPath(launcher);
  link->SetArguments(kind.arguments);
  link->SetWorkingDirectory(gameFolder.c_str());
  link->SetIconLocation(launcher, 0);
  link->SetDescription(kind.description);

  // Written beside the old shortcut and moved over it, so that a launcher ended meanwhile leaves
  // the old shortcut or the new one, never a broken one.
  const fs::path file = desktop / kind.fileName;
  const fs::path temporary(file.native() + L".tmp");
  ComPtr<IPersistFile> persist;
  if (FAILED(link.As(&persist)) || FAILED(persist->Save(temporary.c_str(), FALSE)) ||
      !moveFileDurable(temporary, file, true)) {
    static_cast<void>(deleteFile(temporary));
    return Error{toUtf8(file.native()) + " could not be written."};
  }
  return file;
}

}  // namespace myr::maintenance
