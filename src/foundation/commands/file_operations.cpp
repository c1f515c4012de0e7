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
  const auto complete = [reply](Result<json::Value> outcome) mutable { reply.complete(std::move(outcome)); };
  if (!start(exclusive, std::move(work), complete)) {
    reply.error(kAnotherFileOperation);
  }
}

bool FileOperations::start(bool exclusive, Work work, Done done) {
  if (exclusive && busy_->exchange(true)) {
    return false;
  }
  try {
    std::thread([exclusive, work = std::move(work), done = std::move(done), busy = busy_]() {
      Result<json::Value> outcome = runGuarded(work);
      // Cleared before anyone hears of the end, so the page's next exclusive request is never refused.
      if (exclusive) {
        busy->store(false);
      }
      done(std::move(outcome));
    }).detach();
  } catch (...) {
    if (exclusive) {
      busy_->store(false);
    }
    throw;
  }
  return true;
}

}  // namespace myr::commands
