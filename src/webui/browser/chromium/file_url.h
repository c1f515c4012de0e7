#pragma once

#include <string>
#include <string_view>

namespace myr::browser::chromium {

// The URL a browser gives a dropped file: "file:///C:/dir/name" for a drive path,
// "file://server/share/name" for a network path, every byte outside a plain set escaped
// (letters outside ASCII as their UTF-8 bytes). The path is UTF-8 with "\" separators.
std::string fileUrlFromPath(std::string_view path);

}  // namespace myr::browser::chromium
