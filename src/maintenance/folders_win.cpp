#include "maintenance/folders_win.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"
#include "maintenance/shader_cache_win.h"

namespace fs = std::filesystem;

namespace myr::maintenance {
namespace {

struct OpenTarget {
  fs::path path;
  bool mustExist = false;  // a file; folders are made when missing
};

constexpr std::array<std::string_view, 5> kGameSubfolders{"logs", "states", "backups", "memcards", "savedata"};

// The game folder's own licenses, else those beside the unpacked game files found above it.
fs::path licensesFolder(MaintenanceHost& host) {
  const fs::path own = host.gameFolder() / L"licenses";
  if (fileStatus(own).isDirectory) return own;
  const fs::path disc = host.discFolder();
  return disc.empty() ? own : disc.parent_path() / L"licenses";
}

std::optional<OpenTarget> findTarget(std::string_view what, MaintenanceHost& host) {
  const fs::path& game = host.gameFolder();
  if (what == "game") return OpenTarget{game};
  for (const std::string_view name : kGameSubfolders) {
    if (what == name) return OpenTarget{game / toWide(name)};
  }
  if (what == "shaders") return OpenTarget{shaderCacheFolder(dataFolder(game))};
  if (what == "licenses") return OpenTarget{licensesFolder(host)};
  if (what == "log") return OpenTarget{game / L"logs" / L"last_run.log", true};
  if (what == "launcherLog") return OpenTarget{game / L"logs" / L"launcher.log", true};
  if (what == "ini") return OpenTarget{game / L"myr.ini", true};
  return std::nullopt;
}

}  // namespace

Status openGamePath(std::string_view what, MaintenanceHost& host) {
  const std::optional<OpenTarget> target = findTarget(what, host);
  if (!target) return Error{"Unknown folder."};
  const std::string shown = toUtf8(target->path.native());
  if (target->mustExist) {
    if (!fileStatus(target->path).exists) return Error{shown + " does not exist yet."};
  } else {
    // A folder that cannot be made is reported by the shell below.
    std::error_code ignored;
    fs::create_directories(target->path, ignored);
  }
  if (const Status opened = host.modalUi().openInShell(target->path); !opened) {
    const unsigned long result = opened.error().systemCode;
    return Error{shown + " could not be opened (" + std::to_string(static_cast<long>(result)) + ").", result};
  }
  return {};
}

}  // namespace myr::maintenance
