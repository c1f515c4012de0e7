#pragma once

// The first controller's section of myr.ini: 24 inputs with their bindings and ten options.

#include <array>
#include <cstddef>
#include <string_view>

namespace myr::settings {

struct PadDefault {
  std::string_view key;
  std::string_view value;
};

extern const std::array<std::string_view, 24> PadButtons;
extern const std::array<PadDefault, 34> PadDefaults;
extern const std::array<std::string_view, 43> KeyboardKeyNames;

// "Device/Control" parts joined by "&" into alternatives separated by ";". Empty means unbound.
// Longer texts are never valid bindings.
inline constexpr std::size_t kLongestBinding = 512;

bool isValidBinding(std::string_view text);
// The rule for one key of the controller's section.
bool isAllowedPadSetting(std::string_view key, std::string_view value);
// A plain decimal of 1 to 8 bytes ("1.", ".5" and "007" included) from 0 to maximum.
bool isDecimalUpTo(std::string_view text, double maximum);
bool isPadKey(std::string_view key);

}  // namespace myr::settings
