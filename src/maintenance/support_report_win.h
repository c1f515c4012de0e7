#pragma once

// A text file for support: versions, the system, the display, the disc, myr.ini, how the last run
// ended with the end of its log, the launcher's own log, and the names and sizes of the saves and
// backups, never their contents.

#include <ctime>
#include <filesystem>
#include <string>

#include "foundation/error.h"
#include "maintenance/maintenance_host.h"

namespace myr::maintenance {

// The text of the report written at localNow.
std::string supportReportText(MaintenanceHost& host, const std::tm& localNow);

// logs\report-<date>-<time>.txt, written atomically and shown in the file browser; its path.
Result<std::filesystem::path> writeSupportReport(MaintenanceHost& host, const std::tm& localNow);

}  // namespace myr::maintenance
