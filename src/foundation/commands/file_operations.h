#pragma once

// Long work of a command on a worker thread, answered when done. Work that changes files is
// exclusive: one at a time, and while it runs the game does not start and closing asks first.

#include <atomic>
#include <functional>
#include <memory>

#include "foundation/commands/reply.h"
#include "foundation/error.h"
#include "foundation/json/json.h"

namespace myr::commands {

inline constexpr char kAnotherFileOperation[] = "Another file operation is still running.";

class FileOperations {
 public:
  using Work = std::function<Result<json::Value>()>;
  using Done = std::function<void(Result<json::Value>)>;

  FileOperations() = default;
  FileOperations(const FileOperations&) = delete;
  FileOperations& operator=(const FileOperations&) = delete;

  // Any thread.
  bool busy() const { return busy_->load(); }

  // UI thread. The work gets everything it needs by value and never touches UI-thread state;
  // its result or error, or the message of an exception it throws, becomes the reply. A second
  // exclusive operation is refused at once and its work never runs.
  void start(Reply reply, bool exclusive, Work work);
  // Work the launcher starts of its own accord: done gets the outcome on the worker thread. False,
  // and the work never runs, when another exclusive operation holds the flag.
  bool start(bool exclusive, Work work, Done done);

 private:
  // Shared with the detached workers, which may outlive this object when the launcher ends.
  std::shared_ptr<std::atomic<bool>> busy_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace myr::commands
