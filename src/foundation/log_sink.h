#pragma once

// Where the launcher's own messages go: failures on any thread, recovery steps, notes of the
// browser. One call is one line. Any thread.

#include <string_view>

namespace myr {

class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void note(std::string_view message) = 0;
};

}  // namespace myr
