#pragma once

#include <filesystem>

#include "foundation/error.h"
#include "foundation/json/json.h"

namespace myr::saves {

// The card slot a request names: 2 for the number 2, slot 1 for anything else.
int cardSlotArgument(const json::Value& slot);

// memcards\Mcd002.ps2 for slot 2, memcards\Mcd001.ps2 for any other slot.
std::filesystem::path cardPath(const std::filesystem::path& gameFolder, int slot);

// Writes a freshly formatted card over an erased one (every byte 0xFF) through a temporary
// file. A card that holds anything else, has another size, or is open in another program (the
// game) is refused and left as it is.
Status formatBlankCard(const std::filesystem::path& path);

// {"slot": slot} once the card of that slot is formatted.
Result<json::Value> formatCardNow(const std::filesystem::path& gameFolder, int slot);

}  // namespace myr::saves
