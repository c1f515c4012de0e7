// The disc check: the serial reader on any SYSTEM.CNF text, and the whole check on any image.
// A serial is upper-case letters and digits, with a "-" after the fourth exactly when it has 5
// to 12 of them. The first byte chooses the mode.

#include <cstdint>
#include <string>

#include "disc/disc_check.h"
#include "disc/memory_image.h"
#include "disc_image.h"
#include "foundation/files/ascii_text.h"
#include "fuzz_check.h"

namespace {

void checkSerial(const std::string& serial) {
  fuzzCheck(!serial.empty());
  std::size_t letters = 0;
  for (const char c : serial) {
    fuzzCheck((c >= 'A' && c <= 'Z') || myr::isAsciiDigit(c) || c == '-');
    letters += c != '-';
  }
  const bool dashed = letters >= 5 && letters <= 12;
  fuzzCheck(serial.find('-') == (dashed ? 4 : std::string::npos));
  fuzzCheck(serial.size() == letters + (dashed ? 1 : 0));
}

std::string sameBytes(std::string_view bytes) { return std::string(bytes); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace myr::disc;
  if (size == 0) return 0;
  if (data[0] & 1) {
    const myr::Result<std::string> serial =
        readBootSerial(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    if (serial) checkSerial(*serial);
    return 0;
  }
  testing::MemoryImage image(discImageFromFuzzInput(data + 1, size - 1));
  DiscCheck check;
  inspectDiscImage(image, check, &sameBytes);
  fuzzCheck(check.error.empty() != check.serial.empty());
  if (!check.serial.empty()) checkSerial(check.serial);
  fuzzCheck(check.volume.size() <= 32);
  return 0;
}
