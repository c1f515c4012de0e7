#pragma once

#include <string_view>

#include "foundation/error.h"
#include "maintenance/maintenance_host.h"

namespace myr::maintenance {

// Shows one of the game's folders, its log or myr.ini in the shell, by the page's name for it
// ("game", "logs", "states", "backups", "memcards", "savedata", "shaders", "licenses", "log",
// "ini"). Missing folders are made first; the log and myr.ini must exist.
Status openGamePath(std::string_view what, MaintenanceHost& host);

}  // namespace myr::maintenance
