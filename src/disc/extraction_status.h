#pragma once

// The shared record of the background extraction: written by the extraction thread and the
// command that starts it, read by every disc state. One mutex guards all fields, and no file
// work or posting happens while it is held.

#include <mutex>
#include <string>

#include "foundation/error.h"

namespace myr::disc {

// The fields a disc state shows, copied together.
struct ExtractionSnapshot {
  bool running = false;
  int done = 0;  // files finished before the current one; total after a success
  int total = 0;
  std::string name;   // the file being copied, empty when idle
  std::string error;  // the last failed run's message
};

class ExtractionStatus {
 public:
  ExtractionSnapshot snapshot() const;

  // Marks a run on image as started unless one is running, or unless the last run failed on
  // this very image and the start is not forced. True when the caller must start the run.
  bool tryStart(const std::wstring& image, bool forced, int total);
  // The thread of a run that tryStart allowed could not be started.
  void abandonStart();
  void progress(int index, int count, std::string name);
  // The run ended; done stays where the last progress left it after a failure.
  void finish(const Status& outcome);

 private:
  mutable std::mutex mutex_;
  ExtractionSnapshot fields_;
  std::wstring imagePath_;  // the image of the last run started
};

}  // namespace myr::disc
