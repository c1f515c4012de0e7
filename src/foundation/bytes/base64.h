#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace myr {

// Standard Base64 (RFC 4648): "=" padding, no line breaks.
std::string encodeBase64(std::string_view bytes);
// Nothing when the text is not padded standard Base64 (line breaks are not accepted either).
std::optional<std::string> decodeBase64(std::string_view text);

}  // namespace myr
