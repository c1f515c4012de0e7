#pragma once

#include <filesystem>

#include "disc/disc_check_win.h"
#include "disc/extraction_status.h"
#include "foundation/json/json.h"

namespace myr::disc {

// The disc state the page shows: the image in use and where its name came from, whether the
// game's program and unpacked files are there, how the extraction is doing, and what the check
// of the image found. Reads files only.
json::Value buildDiscState(const std::filesystem::path& gameFolder, const ImageSources& sources,
                           const ExtractionStatus& extraction);

}  // namespace myr::disc
