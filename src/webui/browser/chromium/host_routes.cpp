#include "webui/browser/chromium/host_routes.h"

#include <array>
#include <optional>
#include <utility>

#include "foundation/files/ascii_text.h"
#include "foundation/files/file_names.h"

namespace myr::browser::chromium {
namespace {

constexpr std::string_view kScheme = "https://";
// Deeper trees are not what a page folder holds.
constexpr std::size_t kDeepestPath = 32;

struct ContentType {
  std::string_view extension;
  std::string_view type;
};

constexpr std::array<ContentType, 24> kContentTypes{{
    {".html", "text/html; charset=utf-8"},
    {".htm", "text/html; charset=utf-8"},
    {".js", "text/javascript; charset=utf-8"},
    {".mjs", "text/javascript; charset=utf-8"},
    {".css", "text/css; charset=utf-8"},
    {".json", "application/json"},
    {".map", "application/json"},
    {".txt", "text/plain; charset=utf-8"},
    {".xml", "application/xml"},
    {".svg", "image/svg+xml"},
    {".png", "image/png"},
    {".jpg", "image/jpeg"},
    {".jpeg", "image/jpeg"},
    {".gif", "image/gif"},
    {".webp", "image/webp"},
    {".ico", "image/x-icon"},
    {".woff", "font/woff"},
    {".woff2", "font/woff2"},
    {".ttf", "font/ttf"},
    {".otf", "font/otf"},
    {".wasm", "application/wasm"},
    {".mp3", "audio/mpeg"},
    {".ogg", "audio/ogg"},
    {".webm", "video/webm"},
}};

// Nothing when an escape is malformed or decodes to a NUL.
std::optional<std::string> unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) {
      return std::nullopt;
    }
    const int high = hexDigitValue(text[i + 1]);
    const int low = hexDigitValue(text[i + 2]);
    if (high < 0 || low < 0 || (high == 0 && low == 0)) {
      return std::nullopt;
    }
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

// The file a path names below its folder, each element a plain file name; nothing otherwise.
std::optional<std::string> relativeFilePath(std::string_view path) {
  if (path.empty() || path.front() != '/') {
    return std::nullopt;
  }
  std::string relative;
  std::size_t depth = 0;
  std::size_t start = 1;
  while (true) {
    const std::size_t end = path.find('/', start);
    const std::string_view escaped = path.substr(start, end == std::string_view::npos ? end : end - start);
    const std::optional<std::string> element = unescape(escaped);
    // An escaped "/" would make two elements out of one.
    if (!element || !isSafeFileName(*element) || element->find('/') != std::string::npos || ++depth > kDeepestPath) {
      return std::nullopt;
    }
    if (!relative.empty()) {
      relative += '/';
    }
    relative += *element;
    if (end == std::string_view::npos) {
      return relative;
    }
    start = end + 1;
  }
}

}  // namespace

std::size_t HostRoutes::map(std::string host, RouteAccess access) {
  host = lowerAscii(host);
  for (std::size_t i = 0; i < mappings_.size(); ++i) {
    if (mappings_[i].host == host) {
      mappings_[i].access = access;
      return i;
    }
  }
  mappings_.push_back({std::move(host), access});
  return mappings_.size() - 1;
}

Route HostRoutes::route(std::string_view url, std::string_view requesterOrigin) const {
  if (!url.starts_with(kScheme)) {
    return {};
  }
  std::string_view rest = url.substr(kScheme.size());
  const std::size_t pathStart = rest.find('/');
  if (pathStart == std::string_view::npos) {
    return {};
  }
  const std::string host = lowerAscii(rest.substr(0, pathStart));
  std::string_view path = rest.substr(pathStart);
  path = path.substr(0, path.find_first_of("?#"));
  for (std::size_t i = 0; i < mappings_.size(); ++i) {
    const Mapping& mapping = mappings_[i];
    if (mapping.host != host) {
      continue;
    }
    if (mapping.access == RouteAccess::Deny && !requesterOrigin.empty() &&
        lowerAscii(requesterOrigin) != std::string(kScheme) + host) {
      return {};
    }
    const std::optional<std::string> relative = relativeFilePath(path);
    if (!relative) {
      return Route{Route::Kind::NotFound, 0, {}, {}};
    }
    return Route{Route::Kind::File, i, *relative, contentTypeOf(*relative)};
  }
  return {};
}

std::string contentTypeOf(std::string_view relativePath) {
  const std::size_t slash = relativePath.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? relativePath : relativePath.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) {
    const std::string extension = lowerAscii(name.substr(dot));
    for (const ContentType& entry : kContentTypes) {
      if (entry.extension == extension) {
        return std::string(entry.type);
      }
    }
  }
  return "application/octet-stream";
}

std::string originOf(std::string_view url) {
  const std::size_t schemeEnd = url.find("://");
  if (schemeEnd == std::string_view::npos) {
    return {};
  }
  const std::size_t hostEnd = url.find_first_of("/?#", schemeEnd + 3);
  return std::string(url.substr(0, hostEnd));
}

}  // namespace myr::browser::chromium
