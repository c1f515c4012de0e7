#pragma once

#include <string_view>

namespace myr {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF. Empty text is valid.
bool isUtf8(std::string_view bytes);

}  // namespace myr
