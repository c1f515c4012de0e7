#include "app/modal_ui_win.h"

#include <shellapi.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <memory>
#include <vector>

#include "app/main_window_win.h"
#include "foundation/files/file_helpers.h"
#include "foundation/unique_resource_win.h"
#include "foundation/files/win_text.h"

namespace myr::app {
namespace {

using Microsoft::WRL::ComPtr;

class DesktopModalUi final : public ModalUi {
 public:
  explicit DesktopModalUi(std::function<HWND()> owner) : owner_(std::move(owner)) {}

  MessageAnswer showError(const std::string& text, MessageButtons buttons) override {
    const UINT style = MB_ICONERROR | (buttons == MessageButtons::YesNo ? MB_YESNO : MB_OK);
    switch (MessageBoxW(owner_(), toWide(text).c_str(), kGameTitle, style)) {
      case IDYES:
        return MessageAnswer::Yes;
      case IDNO:
        return MessageAnswer::No;
      default:
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
  }

  std::optional<std::filesystem::path> chooseFile(const FileChoice& choice) override {
    ComPtr<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog)))) {
      return std::nullopt;
    }
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST | FOS_FILEMUSTEXIST);
    dialog->SetTitle(choice.title.c_str());
    std::vector<COMDLG_FILTERSPEC> types;
    for (const auto& [name, pattern] : choice.types) {
      types.push_back({name.c_str(), pattern.c_str()});
    }
    dialog->SetFileTypes(static_cast<UINT>(types.size()), types.data());
    ComPtr<IShellItem> start;
    if (!choice.startFolder.empty() && fileStatus(choice.startFolder).isDirectory &&
        SUCCEEDED(SHCreateItemFromParsingName(choice.startFolder.c_str(), nullptr, IID_PPV_ARGS(&start)))) {
      dialog->SetFolder(start.Get());
    }
    ComPtr<IShellItem> result;
    PWSTR path = nullptr;
    if (FAILED(dialog->Show(owner_())) || FAILED(dialog->GetResult(&result)) ||
        FAILED(result->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
      return std::nullopt;
    }
    const UniqueResource<wchar_t*, &::CoTaskMemFree> owned(path);
    return std::filesystem::path(owned.get());
  }

  Status openInShell(const std::filesystem::path& target) override {
    const auto result =
        reinterpret_cast<INT_PTR>(ShellExecuteW(owner_(), L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32) return {};
    return Error{"The shell could not open " + toUtf8(target.native()) + ".", static_cast<unsigned long>(result)};
  }

 private:
  std::function<HWND()> owner_;
};

// Headless runs never block: every dialog is written to standard error and answered No or Cancel.
class HeadlessModalUi final : public ModalUi {
 public:
  MessageAnswer showError(const std::string& text, MessageButtons buttons) override {
    note(toUtf8(kGameTitle) + ": " + text);
    return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
  }

  std::optional<std::filesystem::path> chooseFile(const FileChoice& choice) override {
    note(toUtf8(choice.title) + ": cancelled");
    return std::nullopt;
  }

  // Starts nothing: scripts read what the player would have seen opened.
  Status openInShell(const std::filesystem::path& target) override {
    writeLine("[open] " + toUtf8(target.native()));
    return {};
  }

 private:
  static void note(const std::string& text) { writeLine("[dialog] " + text); }
  static void writeLine(const std::string& text) {
    const std::string line = text + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }
};

}  // namespace

std::unique_ptr<ModalUi> makeDesktopModalUi(std::function<HWND()> owner) {
  return std::make_unique<DesktopModalUi>(std::move(owner));
}

std::unique_ptr<ModalUi> makeHeadlessModalUi() { return std::make_unique<HeadlessModalUi>(); }

}  // namespace myr::app
