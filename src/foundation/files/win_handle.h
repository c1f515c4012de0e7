#pragma once

#include <windows.h>

#include <utility>

namespace myr {

// Sole owner of one Windows handle, closed with CloseFn. Both null and
// INVALID_HANDLE_VALUE mean "no handle", because Windows APIs disagree on
// which of the two reports failure.
template <auto CloseFn>
class UniqueWinHandle {
 public:
  UniqueWinHandle() noexcept = default;
  explicit UniqueWinHandle(HANDLE handle) noexcept : handle_(handle) {}
  UniqueWinHandle(const UniqueWinHandle&) = delete;
  UniqueWinHandle& operator=(const UniqueWinHandle&) = delete;
  UniqueWinHandle(UniqueWinHandle&& other) noexcept : handle_(other.release()) {}
  UniqueWinHandle& operator=(UniqueWinHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueWinHandle() { reset(); }

  HANDLE get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return isHandle(handle_); }

  HANDLE release() noexcept { return std::exchange(handle_, nullptr); }

  void reset(HANDLE handle = nullptr) noexcept {
    HANDLE old = std::exchange(handle_, handle);
    if (isHandle(old)) CloseFn(old);
  }

 private:
  static bool isHandle(HANDLE handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

  HANDLE handle_ = nullptr;
};

// Files, processes, threads, mutexes, pipes, events.
using WinHandle = UniqueWinHandle<&::CloseHandle>;
// Directory searches started with FindFirstFileExW.
using FindHandle = UniqueWinHandle<&::FindClose>;

}  // namespace myr
