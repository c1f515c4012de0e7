#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "art/game_icon.h"

namespace myr::art {

// Sole owner of one GDI bitmap or icon. Move-only, so the handle is released exactly once, by
// whichever owner holds it last, on every path out of the code that made it.
template <class Handle, auto ReleaseFn>
class UniqueGdiHandle {
 public:
  UniqueGdiHandle() noexcept = default;
  explicit UniqueGdiHandle(Handle handle) noexcept : handle_(handle) {}
  UniqueGdiHandle(const UniqueGdiHandle&) = delete;
  UniqueGdiHandle& operator=(const UniqueGdiHandle&) = delete;
  UniqueGdiHandle(UniqueGdiHandle&& other) noexcept : handle_(other.release()) {}
  UniqueGdiHandle& operator=(UniqueGdiHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueGdiHandle() { reset(); }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != nullptr; }
  Handle release() noexcept { return std::exchange(handle_, nullptr); }
  void reset(Handle handle = nullptr) noexcept {
    if (Handle old = std::exchange(handle_, handle); old != nullptr) ReleaseFn(old);
  }

 private:
  Handle handle_ = nullptr;
};

using UniqueBitmap = UniqueGdiHandle<HBITMAP, &::DeleteObject>;
using UniqueIcon = UniqueGdiHandle<HICON, &::DestroyIcon>;

// The icons made from the game art that are still alive. Whoever sets the window's icons takes
// the old set first and lets it go once the window holds the new ones, so exactly the icons in
// use stay alive.
class CreatedIcons {
 public:
  HICON keep(UniqueIcon icon);
  [[nodiscard]] std::vector<UniqueIcon> takeAll() { return std::exchange(icons_, {}); }
  std::size_t size() const { return icons_.size(); }

 private:
  std::vector<UniqueIcon> icons_;
};

// An icon of the art image nearest to size (the first at least as large, else the largest), kept
// in created; null when the list is empty or Windows refuses. Windows scales it when drawn at
// another size.
HICON iconFromArt(std::span<const game_icon::Image> art, std::int32_t size, CreatedIcons& created);

}  // namespace myr::art
