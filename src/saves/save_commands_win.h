#pragma once

// The page's commands on the saves: listing, backup, restore, formatting a blank card, the system
// save swap and thumbnails. Work that changes files runs as an exclusive file operation and is
// refused while the game may be writing a card.

#include <filesystem>
#include <string>

#include "foundation/commands/command.h"
#include "foundation/commands/file_operations.h"

namespace myr::saves {

// What the save commands need of the launcher that owns them.
class SavesHost {
 public:
  virtual ~SavesHost() = default;
  virtual const std::filesystem::path& gameFolder() const = 0;
  // Why save files may not be touched now, or empty.
  virtual std::string runningGuard() const = 0;
  virtual commands::FileOperations& fileOperations() = 0;
  // myr.ini's [Game] SaveFormat, empty when not set.
  virtual std::string saveFormatSetting() const = 0;
};

// "saves", "backup", "formatCard", "restore", "settleRestore", "thumb" and "swapSystem".
commands::CommandList saveCommands(SavesHost& host);

}  // namespace myr::saves
