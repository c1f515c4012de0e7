#include "foundation/guard.h"

#include <exception>

namespace myr {

std::string currentExceptionText() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown exception";
  }
}

void noteCurrentException(LogSink& log, std::string_view where) noexcept {
  // A log that fails here (no memory left) has nobody left to tell.
  try {
    log.note("Internal error in " + std::string(where) + ": " + currentExceptionText());
  } catch (...) {
  }
}

}  // namespace myr
