#pragma once

#include <filesystem>
#include <string>

#include "foundation/commands/file_operations.h"
#include "foundation/modal_ui.h"

namespace myr::maintenance {

// What the maintenance commands need of the launcher that owns them. UI thread.
class MaintenanceHost {
 public:
  virtual ~MaintenanceHost() = default;
  virtual const std::filesystem::path& gameFolder() const = 0;
  // Empty while the game's files may be touched, else why not: a game is tracked or found running.
  virtual std::string runningGuard() const = 0;
  // The folder of unpacked game files found upward from the game folder, or empty.
  virtual std::filesystem::path discFolder() const = 0;
  virtual commands::FileOperations& fileOperations() = 0;
  virtual ModalUi& modalUi() = 0;
};

}  // namespace myr::maintenance
