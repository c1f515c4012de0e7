#include "foundation/commands/file_operations.h"

#include <exception>
#include <thread>
#include <utility>

namespace myr::commands {
namespace {

Result<json::Value> runGuarded(const FileOperations::Work& work) {
  try {
    return work();
  } catch (const std::exception& e) {
    return Error{e.what()};
  } catch (...) {
    return Error{"Internal error."};
  }
}

}  // namespace

void FileOperations::start(Reply reply, bool exclusive, Work work) {
  if (exclusive && busy_->exchange(true)) {
    reply.error(kAnotherFileOperation);
    return;
  }
  try {
    std::thread([reply, exclusive, work = std::move(work), busy = busy_]() mutable {
      Result<json::Value> outcome = runGuarded(work);
      // Cleared before the page hears of the end, so its next exclusive request is never refused.
      if (exclusive) {
        busy->store(false);
      }
      reply.complete(std::move(outcome));
    }).detach();
  } catch (...) {
    if (exclusive) {
      busy_->store(false);
    }
    throw;
  }
}

}  // namespace myr::commands
