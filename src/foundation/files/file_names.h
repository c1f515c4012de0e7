#pragma once

#include <string_view>

namespace myr {

// A name from outside that Windows can store as one path element and that cannot escape or
// alias a folder (no separators, no "..", no device names such as NUL or COM1).
bool isSafeFileName(std::string_view name);

}  // namespace myr
