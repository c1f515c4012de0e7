#include "webui/file_operations.h"

namespace myr {

std::atomic<bool>& fileOperationBusy() {
  static std::atomic<bool> busy{false};
  return busy;
}

}  // namespace myr
