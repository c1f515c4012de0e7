#pragma once

#include <string_view>

namespace myr::browser::chromium {

// The page's name ("key") of a key that types no letter, by its Windows virtual-key code;
// empty for keys that type letters, whose name is the letter they type.
std::string_view namedKey(unsigned virtualKey);

// The page's name ("code") of a physical key, by its keyboard scan code (the extended flag
// tells the second keys of a kind apart: right Ctrl, the arrow block); empty when unknown.
std::string_view physicalKeyCode(unsigned scanCode, bool extended);

}  // namespace myr::browser::chromium
