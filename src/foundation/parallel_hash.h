#pragma once

// A hash computed on a thread of its own, so that hashing a file overlaps with reading and
// writing it. The caller fills the slots in turn and hands each over; a slot comes back once it
// is hashed. Hasher: default-constructible, update(span of bytes), hexDigest().

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace myr {

template <class Hasher>
class ParallelHash {
 public:
  ParallelHash(std::size_t slotSize, std::size_t slotCount)
      : slots_(slotSize * slotCount), slotSize_(slotSize), slotCount_(slotCount), sizes_(slotCount) {
    hasher_ = std::thread([this] { hashSubmitted(); });
  }

  ~ParallelHash() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    hasher_.join();
  }

  ParallelHash(const ParallelHash&) = delete;
  ParallelHash& operator=(const ParallelHash&) = delete;

  // The next slot to fill, once the hasher is done with its earlier content.
  std::span<std::uint8_t> nextSlot() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return submitted_ - hashed_ < slotCount_; });
    return {slots_.data() + (submitted_ % slotCount_) * slotSize_, slotSize_};
  }

  // Hands the first size bytes of the slot nextSlot gave to the hasher. The slot stays readable
  // (for writing it out) until nextSlot has gone round all slots.
  void submit(std::size_t size) {
    {
      const std::lock_guard lock(mutex_);
      sizes_[submitted_ % slotCount_] = size;
      ++submitted_;
    }
    changed_.notify_all();
  }

  // The digest of everything submitted since the last finish or restart, which starts a new one.
  std::string finish() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return hashed_ == submitted_; });
    const std::string digest = hash_.hexDigest();
    hash_ = Hasher();
    return digest;
  }

  // Drops what was submitted since the last finish: a file abandoned halfway.
  void restart() { static_cast<void>(finish()); }

 private:
  void hashSubmitted() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return stopping_ || hashed_ < submitted_; });
      if (hashed_ == submitted_) return;
      const std::size_t slot = hashed_ % slotCount_;
      // The slot is the hasher's until hashed_ moves on; the caller only reads it meanwhile.
      lock.unlock();
      hash_.update(std::span<const std::uint8_t>(slots_.data() + slot * slotSize_, sizes_[slot]));
      lock.lock();
      ++hashed_;
      changed_.notify_all();
    }
  }

  std::vector<std::uint8_t> slots_;
  std::size_t slotSize_;
  std::size_t slotCount_;
  std::vector<std::size_t> sizes_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t submitted_ = 0;  // slots handed over so far
  std::uint64_t hashed_ = 0;     // slots hashed so far
  bool stopping_ = false;
  Hasher hash_;
  std::thread hasher_;
};

}  // namespace myr
