#pragma once

// The one error type of the launcher: a complete sentence for the player and, where the
// failure came from the system, its code. Functions that can fail return a Result.

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace myr {

struct Error {
  std::string message;
  unsigned long systemCode = 0;  // 0: no system error behind it

  // Callers put their own words in front of a lower layer's sentence.
  Error prefixed(std::string_view words) const& { return Error{std::string(words) + message, systemCode}; }
};

// A value or the error that prevented it (std::expected arrives only with C++23).
template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & {
    assert(ok());
    return std::get<0>(state_);
  }
  const T& value() const& {
    assert(ok());
    return std::get<0>(state_);
  }
  T&& value() && {
    assert(ok());
    return std::get<0>(std::move(state_));
  }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

  const Error& error() const {
    assert(!ok());
    return std::get<1>(state_);
  }

 private:
  std::variant<T, Error> state_;
};

// Success without a value, or the error.
template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Error error) : error_(std::move(error)), failed_(true) {}

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const Error& error() const {
    assert(failed_);
    return error_;
  }

 private:
  Error error_;
  bool failed_ = false;
};

using Status = Result<void>;

}  // namespace myr
