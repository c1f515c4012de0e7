#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "art/game_icon.h"
#include "foundation/unique_resource_win.h"

namespace myr::art {

using UniqueBitmap = UniqueResource<HBITMAP, &::DeleteObject>;
using UniqueIcon = UniqueResource<HICON, &::DestroyIcon>;

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
