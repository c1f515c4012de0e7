#pragma once

#include <filesystem>

#include "saves/card_image.h"

namespace myr::saves {

// Code page 932 and the invariant locale's half-width mapping of the system.
CardText systemCardText();

// The summary of the card image file at path, read whole once; never throws for bad data.
CardSummary readCardSummary(const std::filesystem::path& path);

}  // namespace myr::saves
