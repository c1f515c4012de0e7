#include "disc/extraction_status.h"

namespace myr::disc {

ExtractionSnapshot ExtractionStatus::snapshot() const {
  const std::lock_guard lock(mutex_);
  return fields_;
}

bool ExtractionStatus::tryStart(const std::wstring& image, bool forced, int total) {
  const std::lock_guard lock(mutex_);
  if (fields_.running) return false;
  if (!forced && !fields_.error.empty() && imagePath_ == image) return false;
  fields_ = ExtractionSnapshot{true, 0, total, {}, {}};
  imagePath_ = image;
  return true;
}

void ExtractionStatus::abandonStart() {
  const std::lock_guard lock(mutex_);
  fields_.running = false;
  fields_.name.clear();
}

void ExtractionStatus::progress(int index, int count, std::string name) {
  const std::lock_guard lock(mutex_);
  fields_.done = index;
  fields_.total = count;
  fields_.name = std::move(name);
}

void ExtractionStatus::finish(const Status& outcome) {
  const std::lock_guard lock(mutex_);
  fields_.running = false;
  if (outcome) fields_.done = fields_.total;
  fields_.name.clear();
  fields_.error = outcome ? std::string() : outcome.error().message;
}

}  // namespace myr::disc
