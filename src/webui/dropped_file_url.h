#pragma once

#include <string>
#include <string_view>

namespace myr::webui {

// A browser writes a dropped file's non-ASCII letters as percent-escaped UTF-8 bytes, which the
// system's URL-to-path conversion may read one byte per letter. This turns each escaped run that is
// valid UTF-8 back into its letters and leaves every other escape for that conversion.
std::string unescapeUtf8Letters(std::string_view url);

}  // namespace myr::webui
