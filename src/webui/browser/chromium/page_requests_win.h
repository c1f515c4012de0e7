#pragma once

// The page's requests, answered from the folders mapped to its private hosts and from nothing
// else: each paused request of the page gets the DevTools command that answers it.

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/json/json.h"
#include "webui/browser/chromium/host_routes.h"

namespace myr::browser::chromium {

struct FetchAnswer {
  std::string method;  // Fetch.fulfillRequest or Fetch.failRequest
  json::Value params;
};

class PageRequests {
 public:
  // A later mapping of a host replaces the earlier one.
  void map(const std::string& host, const std::filesystem::path& folder, RouteAccess access);

  // The answer to the parameters of a Fetch.requestPaused event.
  FetchAnswer answer(const json::Value& paused) const;

  // A request refused before it is served (a navigation the launcher cancels).
  static FetchAnswer refuse(const json::Value& paused, const std::string& reason);

 private:
  FetchAnswer serveFile(const std::string& requestId, const Route& route) const;

  HostRoutes routes_;
  std::vector<std::filesystem::path> folders_;
};

}  // namespace myr::browser::chromium
