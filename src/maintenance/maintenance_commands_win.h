#pragma once

// The page's maintenance commands: "cacheInfo" and "clearCache" measure and empty the shader
// cache on file-operation workers; "open", "shortcut" and "report" answer at once on the UI
// thread.

#include "foundation/commands/command.h"
#include "maintenance/maintenance_host.h"

namespace myr::maintenance {

// The handlers keep a reference to host, which outlives the bridge's table.
commands::CommandList maintenanceCommands(MaintenanceHost& host);

}  // namespace myr::maintenance
