#include "webui/browser/chromium/file_url.h"

#include "foundation/files/ascii_text.h"

namespace myr::browser::chromium {
namespace {

bool keptAsIs(char c) {
  return isAsciiLetterOrDigit(c) || std::string_view("-._~!$&'()*+,=:@/").find(c) != std::string_view::npos;
}

}  // namespace

std::string fileUrlFromPath(std::string_view path) {
  static const char hex[] = "0123456789ABCDEF";
  std::string url = "file://";
  if (path.starts_with("\\\\")) {
    path.remove_prefix(2);
  } else {
    url += '/';
  }
  for (const char c : path) {
    if (c == '\\') {
      url += '/';
    } else if (keptAsIs(c)) {
      url += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      url += '%';
      url += hex[byte >> 4];
      url += hex[byte & 0xF];
    }
  }
  return url;
}

}  // namespace myr::browser::chromium
