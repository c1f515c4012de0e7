#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "foundation/commands/file_operations.h"
#include "foundation/json/json.h"
#include "foundation/modal_ui.h"

namespace myr::maintenance {

// What the support report tells of the other parts of the launcher.
struct ReportFacts {
  std::string browserVersion;  // empty when no browser was found
  json::Value display;
  json::Value disc;
  json::Value lastRun;  // null before any run in this session
  std::string saves;    // the save files and backup sets, one line each with its size
};

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
  virtual ReportFacts reportFacts() = 0;
  // The launcher's own log.
  virtual void note(std::string_view message) = 0;
};

}  // namespace myr::maintenance
