#pragma once

// ASCII-only text helpers: names and settings compare their Latin letters only.

#include <string>
#include <string_view>

namespace myr {

// Without leading and trailing spaces, tabs and carriage returns (the blanks of settings text).
std::string_view trimBlanks(std::string_view text);
std::string lowerAscii(std::string_view text);
std::string upperAscii(std::string_view text);

}  // namespace myr
