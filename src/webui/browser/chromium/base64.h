#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace myr::browser::chromium {

// Standard Base64 with padding, as the DevTools protocol carries binary data.
std::string encodeBase64(std::string_view bytes);
// Nothing when the text is not padded standard Base64 (line breaks are not accepted either).
std::optional<std::string> decodeBase64(std::string_view text);

}  // namespace myr::browser::chromium
