#pragma once

// Where an exception must stop: the entry of a thread, a window procedure, the program's start.
// What it said goes to the launcher's log, and nothing crosses into the system or ends the process.

#include <string>
#include <string_view>
#include <utility>

#include "foundation/log_sink.h"

namespace myr {

// The current exception's message ("unknown exception" for one of no standard type). Call
// only inside a catch block.
std::string currentExceptionText();

// Notes "Internal error in <where>: <message>" of the current exception. Call only inside a
// catch block; never throws.
void noteCurrentException(LogSink& log, std::string_view where) noexcept;

// Runs work; an exception it throws is noted and stops here. False when work threw.
template <class Work>
bool runGuarded(LogSink& log, std::string_view where, Work&& work) noexcept {
  try {
    std::forward<Work>(work)();
    return true;
  } catch (...) {
    noteCurrentException(log, where);
    return false;
  }
}

}  // namespace myr
