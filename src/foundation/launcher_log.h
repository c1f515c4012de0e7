#pragma once

// How a line of the launcher's own log reads: its local time to the millisecond, a blank, the
// message on one line.

#include <string>
#include <string_view>

namespace myr {

struct LogTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

// "2026-12-11 10:00:00.123 message\r\n"; line ends inside the message become blanks, so that one
// event is always one line.
std::string launcherLogLine(const LogTime& time, std::string_view message);

}  // namespace myr
