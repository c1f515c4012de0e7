#pragma once

// SHA-1 on a thread of its own, so that hashing a file overlaps with reading and writing it.
// The caller fills the slots in turn and hands each over; a slot comes back once it is hashed.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "disc/sha1.h"

namespace myr::disc {

class ParallelSha1 {
 public:
  ParallelSha1(std::size_t slotSize, std::size_t slotCount);
  ~ParallelSha1();
  ParallelSha1(const ParallelSha1&) = delete;
  ParallelSha1& operator=(const ParallelSha1&) = delete;

  // The next slot to fill, once the hasher is done with its earlier content.
  std::span<std::uint8_t> nextSlot();
  // Hands the first size bytes of the slot nextSlot gave to the hasher. The slot stays
  // readable (for writing it out) until nextSlot has gone round all slots.
  void submit(std::size_t size);
  // The digest of everything submitted since the last finish, which starts a new one.
  std::string finish();

 private:
  void hashSubmitted();

  std::vector<std::uint8_t> slots_;
  std::size_t slotSize_;
  std::size_t slotCount_;
  std::vector<std::size_t> sizes_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t submitted_ = 0;  // slots handed over so far
  std::uint64_t hashed_ = 0;     // slots hashed so far
  bool stopping_ = false;
  Sha1 sha_;
  std::thread hasher_;
};

}  // namespace myr::disc
