#pragma once

#include "art/tim2.h"

namespace myr::art {

// Replaces the picture's alpha by a soft matte of the figure: opaque where the figure is,
// transparent over the near-white background that reaches the picture's border.
void extractFigureMatte(Tim2Picture& picture);

}  // namespace myr::art
