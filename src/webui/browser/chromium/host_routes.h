#pragma once

// Which file a request of the page gets: private host names stand for local folders, and
// nothing else is reachable.

#include <string>
#include <string_view>
#include <vector>

namespace myr::browser::chromium {

// Deny: only pages of the host itself may use it. DenyCors: any page may load from it
// (pictures, scripts), but reading it from script across origins stays blocked.
enum class RouteAccess { Deny, DenyCors };

struct Route {
  enum class Kind { File, NotFound, Refused };
  Kind kind = Kind::Refused;
  std::size_t folder = 0;    // index of the mapping, for File
  std::string relativePath;  // UTF-8, elements joined with "/", for File
  std::string contentType;   // for File
};

class HostRoutes {
 public:
  // Host names compare without letter case; a later mapping of a host replaces the earlier one.
  std::size_t map(std::string host, RouteAccess access);

  // The URL as the browser canonicalised it; requesterOrigin is the origin of the page that
  // asked ("https://host", empty when the request carries none).
  Route route(std::string_view url, std::string_view requesterOrigin) const;

 private:
  struct Mapping {
    std::string host;
    RouteAccess access;
  };
  std::vector<Mapping> mappings_;
};

// The type a file is served with, from its extension.
std::string contentTypeOf(std::string_view relativePath);

// "https://host" of an absolute URL, empty when it has none.
std::string originOf(std::string_view url);

}  // namespace myr::browser::chromium
