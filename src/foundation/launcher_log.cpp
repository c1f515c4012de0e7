#include "foundation/launcher_log.h"

#include <cstdio>

namespace myr {

std::string launcherLogLine(const LogTime& time, std::string_view message) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d ", time.year, time.month, time.day, time.hour,
                time.minute, time.second, time.millisecond);
  std::string line = stamp;
  for (const char c : message) line += (c == '\r' || c == '\n') ? ' ' : c;
  return line + "\r\n";
}

}  // namespace myr
