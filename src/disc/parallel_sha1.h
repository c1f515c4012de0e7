#pragma once

// SHA-1 on a thread of its own, so that hashing a game file overlaps with reading and writing it.

#include "disc/sha1.h"
#include "foundation/parallel_hash.h"

namespace myr::disc {

using ParallelSha1 = ParallelHash<Sha1>;

}  // namespace myr::disc
