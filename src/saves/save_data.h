#pragma once

// The port's own save data (savedata\QXUS-40404): numbered saves with their sidecars and
// thumbnails, the system save and its kept-aside versions. The launcher only reads these files,
// except for swapping the system save.

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/json/json.h"

namespace myr::saves {

inline constexpr std::size_t kSaveSidecarLimitBytes = 65536;
inline constexpr std::size_t kKeptAsideSidecarLimitBytes = 16384;
inline constexpr std::size_t kThumbnailLimitBytes = 524288;
inline constexpr std::size_t kSystemSaveLimitBytes = 1048576;
inline constexpr std::string_view kSystemSaveName = "system.myrsave";

// "save-NNN.myrsave", 16 bytes: a numbered save shown in the listing.
bool isListedSaveName(std::string_view name);
// The three characters after "save-" read as strtol reads them (0 when there is no digit).
int saveSlotNumber(std::string_view listedName);
// save-001.myrsave -> save-001.json
std::string saveSidecarName(std::string_view listedName);
// system-card-x.parked -> system-card-x.json
std::string keptAsideSidecarName(std::string_view keptAsideName);

// The members "place", "playTime", "quil" and "party" from a save's sidecar text, added when the
// text is one JSON object.
void addSaveSidecarMembers(json::Value& save, std::string_view sidecarText);
// The members "card" and "cardModified" from a kept-aside file's sidecar text, added when the
// text is one JSON object.
void addKeptAsideSidecarMembers(json::Value& keptAside, std::string_view sidecarText);

// "card" or "myrsave": the environment's choice (ZEVR_SAVE_FORMAT, empty when unset) wins over
// [Game] SaveFormat of myr.ini (empty when absent).
std::string saveFormatFrom(std::string_view environmentValue, std::string_view iniValue);

// At least 64 bytes beginning with "MYRSAVE" and a zero byte.
bool hasSystemSaveHeader(std::string_view bytes);
// The kept-aside name for the current system save on the given attempt (1 first, up to 99):
// "system-before-swap-YYYYMMDDThhmmssZ.parked", then with "-2" ... "-99" before ".parked".
std::string parkedSystemSaveName(const std::tm& utcTime, int attempt);
inline constexpr int kLastParkedNameAttempt = 99;

// The save slot of a thumbnail request: a whole number from 0 to 999.
std::optional<int> thumbnailSlot(const json::Value& slot);
// "save-007.png"
std::string thumbnailFileName(int slot);
// {"png": Base64 of the file} when the bytes are a PNG picture, else {}.
json::Value thumbnailJson(const std::optional<std::string>& fileBytes);

}  // namespace myr::saves
