#pragma once

#include <atomic>

namespace myr {

// True while an exclusive file operation runs; shared by its worker and the UI thread.
std::atomic<bool>& fileOperationBusy();

}  // namespace myr
