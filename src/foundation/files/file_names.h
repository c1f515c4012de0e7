#pragma once

#include <string_view>

namespace myr {

// A name from outside that Windows can store as one path element and that cannot escape or
// alias a folder (no separators, no "..", no device names such as NUL or COM1).
bool isSafeFileName(std::string_view name);

// Only ASCII letters, digits and the given punctuation.
bool hasOnlyNameBytes(std::string_view name, std::string_view punctuation);

// A quick-save state: 7 to 64 bytes of letters, digits, blanks, "-", "." and "_", ending in ".state",
// and no device name. The settings accept it as the state to resume, the saves as a file to copy.
bool isStateFileName(std::string_view name);

}  // namespace myr
