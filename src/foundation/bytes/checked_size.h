#pragma once

// Size arithmetic on numbers read from outside bytes: an overflow is a refusal, never a wrap.

#include <cstdint>
#include <limits>
#include <optional>
#include <type_traits>

namespace myr {

template <class T>
requires std::is_unsigned_v<T> std::optional<T> checkedAdd(T a, T b) {
  if (a > std::numeric_limits<T>::max() - b) {
    return std::nullopt;
  }
  return static_cast<T>(a + b);
}

template <class T>
requires std::is_unsigned_v<T> std::optional<T> checkedMul(T a, T b) {
  if (a != 0 && b > std::numeric_limits<T>::max() / a) {
    return std::nullopt;
  }
  return static_cast<T>(a * b);
}

// True when [offset, offset + length) lies inside a span of total bytes.
template <class T>
requires std::is_unsigned_v<T>
bool rangeFits(T offset, T length, T total) { return offset <= total && length <= total - offset; }

}  // namespace myr
