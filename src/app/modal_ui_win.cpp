#include "app/modal_ui_win.h"

#include "app/main_window_win.h"
#include "foundation/files/win_text.h"

namespace myr::app {
namespace {

class DesktopModalUi final : public ModalUi {
 public:
  explicit DesktopModalUi(std::function<HWND()> owner) : owner_(std::move(owner)) {}

  MessageAnswer showError(const std::string& text, MessageButtons buttons) override {
    const UINT style = MB_ICONERROR | (buttons == MessageButtons::YesNo ? MB_YESNO : MB_OK);
    switch (MessageBoxW(owner_(), toWide(text).c_str(), kGameTitle, style)) {
      case IDYES: return MessageAnswer::Yes;
      case IDNO: return MessageAnswer::No;
      default: return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
  }

 private:
  std::function<HWND()> owner_;
};

class HeadlessModalUi final : public ModalUi {
 public:
  MessageAnswer showError(const std::string& text, MessageButtons buttons) override {
    const std::string line = "[dialog] " + toUtf8(kGameTitle) + ": " + text + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
  }
};

}  // namespace

std::unique_ptr<ModalUi> makeDesktopModalUi(std::function<HWND()> owner) {
  return std::make_unique<DesktopModalUi>(std::move(owner));
}

std::unique_ptr<ModalUi> makeHeadlessModalUi() { return std::make_unique<HeadlessModalUi>(); }

}  // namespace myr::app
