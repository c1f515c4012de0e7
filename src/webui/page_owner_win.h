#pragma once

// What the page host needs of the launcher that owns it, and nothing more.

#include <windows.h>

#include <filesystem>
#include <string>

#include "foundation/json/json.h"
#include "foundation/modal_ui.h"

namespace myr::webui {

class PageOwner {
 public:
  virtual ~PageOwner() = default;
  // The main window, which the view fills.
  virtual HWND window() const = 0;
  virtual const std::filesystem::path& gameFolder() const = 0;
  // The view's background follows the window's theme: called when a view appears.
  virtual void themeChanged() = 0;
  // The page asked to close its window: the window's closing rules apply.
  virtual void pageClosing() = 0;
  // Nobody is left to answer the page's questions: the launcher ends without asking.
  virtual void pageAbandoned() = 0;
  // The page cannot be shown: tells the player why and ends the launcher (or, where the
  // buttons offer it and the player says Yes, starts the game instead).
  virtual void failStart(const std::string& text, MessageButtons buttons) = 0;
  // A disc image dropped on the page: what became of it, for the "isoDropped" event.
  virtual json::Value imageDropped(const std::filesystem::path& image) = 0;
  // Pictures the page's host answers from memory, asked for when the page loads them; empty
  // when there is none. The launcher's icon as an .ico file:
  virtual std::string programIconFile() = 0;
  // The game's figure that the window icons are cut from, as a PNG:
  virtual std::string gameFigurePng() = 0;
};

}  // namespace myr::webui
