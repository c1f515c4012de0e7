// myr.ini text: reading never fails, and writing an entry into any text changes only what the
// write rule allows and is stable on a second write.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>

#include "oracles/ini_round_trip.h"

namespace {

const myr::settings::SettingEntry kEntries[] = {{"Display", "Scale", "5"},
                                                {"Audio", "Mute", "1"},
                                                {"Pad1", "Cross", " Keyboard/X ; SDL-0/FaceSouth"},
                                                {"Launcher", "Theme", "dark"}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const myr::settings::SettingEntry& entry = kEntries[data[0] % std::size(kEntries)];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string fault = myr::ini_round_trip::writeFault(text, entry);
  if (!fault.empty()) {
    std::fprintf(stderr, "%s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
