#include "disc/parallel_sha1.h"

namespace myr::disc {

ParallelSha1::ParallelSha1(std::size_t slotSize, std::size_t slotCount)
    : slots_(slotSize * slotCount), slotSize_(slotSize), slotCount_(slotCount), sizes_(slotCount) {
  hasher_ = std::thread([this] { hashSubmitted(); });
}

ParallelSha1::~ParallelSha1() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  hasher_.join();
}

std::span<std::uint8_t> ParallelSha1::nextSlot() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return submitted_ - hashed_ < slotCount_; });
  return {slots_.data() + (submitted_ % slotCount_) * slotSize_, slotSize_};
}

void ParallelSha1::submit(std::size_t size) {
  {
    const std::lock_guard lock(mutex_);
    sizes_[submitted_ % slotCount_] = size;
    ++submitted_;
  }
  changed_.notify_all();
}

std::string ParallelSha1::finish() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return hashed_ == submitted_; });
  const std::string digest = sha_.hexDigest();
  sha_ = Sha1();
  return digest;
}

void ParallelSha1::hashSubmitted() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || hashed_ < submitted_; });
    if (hashed_ == submitted_) return;
    const std::size_t slot = hashed_ % slotCount_;
    // The slot is the hasher's until hashed_ moves on; the caller only reads it meanwhile.
    lock.unlock();
    sha_.update(std::span<const std::uint8_t>(slots_.data() + slot * slotSize_, sizes_[slot]));
    lock.lock();
    ++hashed_;
    changed_.notify_all();
  }
}

}  // namespace myr::disc
