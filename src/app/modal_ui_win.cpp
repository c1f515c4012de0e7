#include "app/modal_ui_win.h"

#include "foundation/files/win_text.h"

namespace myr::app {
namespace {

constexpr wchar_t kTitle[] = L"Myrrowen";

class DesktopModalUi final : public ModalUi {
 public:
  MessageAnswer showError(HWND owner, const std::string& text, MessageButtons buttons) override {
    const UINT style = MB_ICONERROR | (buttons == MessageButtons::YesNo ? MB_YESNO : MB_OK);
    switch (MessageBoxW(owner, toWide(text).c_str(), kTitle, style)) {
      case IDYES: return MessageAnswer::Yes;
      case IDNO: return MessageAnswer::No;
      default: return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
  }
};

class HeadlessModalUi final : public ModalUi {
 public:
  MessageAnswer showError(HWND, const std::string& text, MessageButtons buttons) override {
    const std::string line = "[dialog] Myrrowen: " + text + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
  }
};

std::unique_ptr<ModalUi>& current() {
  static std::unique_ptr<ModalUi> ui = makeDesktopModalUi();
  return ui;
}

}  // namespace

ModalUi& modalUi() { return *current(); }

void setModalUi(std::unique_ptr<ModalUi> ui) { current() = std::move(ui); }

std::unique_ptr<ModalUi> makeDesktopModalUi() { return std::make_unique<DesktopModalUi>(); }

std::unique_ptr<ModalUi> makeHeadlessModalUi() { return std::make_unique<HeadlessModalUi>(); }

}  // namespace myr::app
