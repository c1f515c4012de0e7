#pragma once

// Every modal dialog and every hand-over to another program goes through here, so that tests
// and headless runs never block and never open real windows of other programs.

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "foundation/error.h"

namespace myr {

enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

class ModalUi {
 public:
  virtual ~ModalUi() = default;
  // An error box titled with the game's name, owned by the launcher's window.
  virtual MessageAnswer showError(const std::string& text, MessageButtons buttons) = 0;

  struct FileChoice {
    std::wstring title;
    std::vector<std::pair<std::wstring, std::wstring>> types;  // name and pattern, in order
    std::filesystem::path startFolder;                         // empty: where the dialog likes
  };
  // An existing file the player picked; nothing when cancelled or when no dialog can be shown.
  virtual std::optional<std::filesystem::path> chooseFile(const FileChoice& choice) = 0;
  // Shows a folder in the file browser, or a file in the program the system associates with it.
  // On failure the error's system code is the shell's result number.
  virtual Status openInShell(const std::filesystem::path& target) = 0;
  // Shows the folder of a file in the file browser with the file selected; errors as openInShell.
  virtual Status showInFolder(const std::filesystem::path& file) = 0;
};

}  // namespace myr
