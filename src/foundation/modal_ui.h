#pragma once

// Every modal dialog and every hand-over to another program goes through here, so that tests
// and headless runs never block and never open real windows of other programs.

#include <string>

namespace myr {

enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

class ModalUi {
 public:
  virtual ~ModalUi() = default;
  // An error box titled with the game's name, owned by the launcher's window.
  virtual MessageAnswer showError(const std::string& text, MessageButtons buttons) = 0;
};

}  // namespace myr
