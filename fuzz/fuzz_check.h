#pragma once

#include <cstdlib>

// A broken property stops the fuzzer with the input that broke it.
inline void fuzzCheck(bool condition) {
  if (!condition) {
    std::abort();
  }
}
