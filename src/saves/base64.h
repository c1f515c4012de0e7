#pragma once

#include <string>
#include <string_view>

namespace myr::saves {

// Standard Base64 (RFC 4648): "=" padding, no line breaks.
std::string base64Encode(std::string_view bytes);

}  // namespace myr::saves
