#pragma once

// Recognising a PlayStation 2 disc image: its volume identifier and the serial that SYSTEM.CNF's
// BOOT2 line names. Nothing read from the image is trusted.

#include <cstdint>
#include <string>
#include <string_view>

#include "disc/iso9660.h"
#include "foundation/error.h"

namespace myr::disc {

// The one release the port runs.
inline constexpr std::string_view kSupportedSerial = "QXUS-40404";
inline constexpr std::string_view kBootFileName = "QXUS_404.04";
inline constexpr std::string_view kDiscFolderName = "disc";
inline constexpr std::string_view kDefaultImageName = "Myrrowen (USA).iso";

struct DiscCheck {
  bool exists = false;  // set even when a later test fails
  std::uint64_t size = 0;
  std::string serial;  // as "QXUS-40404"; empty when none was read
  std::string volume;  // UTF-8, trailing blanks and NULs cut
  std::string error;   // empty for a readable PlayStation 2 disc image; else the first problem
};

// The serial of the boot file that a SYSTEM.CNF text names: "BOOT2 = cdrom0:\QXUS_404.04;1"
// gives "QXUS-40404".
Result<std::string> readBootSerial(std::string_view systemCnf);

// Fills volume, serial and error of check from an opened image. localText turns the bytes of
// the volume identifier into UTF-8.
void inspectDiscImage(ImageBytes& image, DiscCheck& check, std::string (*localText)(std::string_view));

}  // namespace myr::disc
