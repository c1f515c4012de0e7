#include "foundation/pause_points.h"

#include <atomic>

namespace myr {
namespace {

std::atomic<PauseHandler> installedHandler{nullptr};

}  // namespace

void setPauseHandler(PauseHandler handler) { installedHandler.store(handler); }

void reachPausePoint(std::string_view point) {
  if (const PauseHandler handler = installedHandler.load()) handler(point);
}

}  // namespace myr
