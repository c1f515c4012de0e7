// Requests of the page: whatever the URL, a served file lies below its folder, named by plain
// elements that Windows cannot read as anything else.

#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "foundation/files/file_names.h"
#include "webui/browser/chromium/host_routes.h"

using namespace myr::browser::chromium;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const HostRoutes routes = [] {
    HostRoutes mapped;
    mapped.map("launcher.myr.example", RouteAccess::Deny);
    mapped.map("art.myr.example", RouteAccess::DenyCors);
    return mapped;
  }();
  const std::string url(reinterpret_cast<const char*>(data), size);
  const Route route = routes.route(url, "");
  if (route.kind != Route::Kind::File) {
    return 0;
  }
  fuzzCheck(route.folder < 2);
  std::size_t start = 0;
  while (true) {
    const std::size_t end = route.relativePath.find('/', start);
    const std::string element = route.relativePath.substr(start, end == std::string::npos ? end : end - start);
    fuzzCheck(myr::isSafeFileName(element));
    if (end == std::string::npos) {
      break;
    }
    start = end + 1;
  }
  return 0;
}
