#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace myr::app {

enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// Every modal dialog of the launcher goes through here, so tests and headless runs never block.
class ModalUi {
 public:
  virtual ~ModalUi() = default;
  // An error box titled "Myrrowen".
  virtual MessageAnswer showError(HWND owner, const std::string& text, MessageButtons buttons) = 0;
};

ModalUi& modalUi();
void setModalUi(std::unique_ptr<ModalUi> ui);

std::unique_ptr<ModalUi> makeDesktopModalUi();
// Writes each dialog to standard error and answers No (or Ok where that is the only button).
std::unique_ptr<ModalUi> makeHeadlessModalUi();

}  // namespace myr::app
