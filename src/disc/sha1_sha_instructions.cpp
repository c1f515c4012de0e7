// SHA-1 with the processor's SHA extensions. Only the functions below are compiled for those
// instructions, so the rest of the program still runs on processors without them.

#include "disc/sha1_blocks.h"

#include <utility>

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
#define MYR_SHA1_X86 1
#include <immintrin.h>
#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#define MYR_SHA_TARGET
#define MYR_FORCE_INLINE __forceinline
#else
#include <cpuid.h>
#define MYR_SHA_TARGET __attribute__((target("sha,sse4.1")))
#define MYR_FORCE_INLINE inline __attribute__((always_inline))
#endif
#endif

namespace myr::disc {

#if MYR_SHA1_X86

namespace {

struct CpuidRegisters {
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
};

CpuidRegisters cpuid(unsigned int leaf) {
  CpuidRegisters r;
#if defined(_MSC_VER) && !defined(__clang__)
  int values[4];
  __cpuidex(values, static_cast<int>(leaf), 0);
  r = {static_cast<unsigned int>(values[0]), static_cast<unsigned int>(values[1]), static_cast<unsigned int>(values[2]),
       static_cast<unsigned int>(values[3])};
#else
  __cpuid_count(leaf, 0, r.eax, r.ebx, r.ecx, r.edx);
#endif
  return r;
}

}  // namespace

bool processorHasShaInstructions() {
  if (cpuid(0).eax < 7) return false;
  const CpuidRegisters features = cpuid(1);
  const bool ssse3 = (features.ecx >> 9) & 1;
  const bool sse41 = (features.ecx >> 19) & 1;
  const bool sha = (cpuid(7).ebx >> 29) & 1;
  return ssse3 && sse41 && sha;
}

namespace {

// One step is four rounds. The message schedule keeps four groups of four words in a ring;
// every index is a constant, so the compiler keeps the ring and the state in registers.
template <int Step>
MYR_SHA_TARGET MYR_FORCE_INLINE void fourRounds(__m128i& abcd, __m128i& e, __m128i& previous, __m128i* w) {
  if constexpr (Step > 0) e = _mm_sha1nexte_epu32(previous, w[Step % 4]);
  previous = abcd;
  abcd = _mm_sha1rnds4_epu32(abcd, e, Step / 5);
  if constexpr (Step < 16) {
    const __m128i mixed = _mm_xor_si128(_mm_sha1msg1_epu32(w[Step % 4], w[(Step + 1) % 4]), w[(Step + 2) % 4]);
    w[Step % 4] = _mm_sha1msg2_epu32(mixed, w[(Step + 3) % 4]);
  }
}

template <int... Steps>
MYR_SHA_TARGET MYR_FORCE_INLINE void eightyRounds(std::integer_sequence<int, Steps...>, __m128i& abcd, __m128i& e,
                                                  __m128i& previous, __m128i* w) {
  (fourRounds<Steps>(abcd, e, previous, w), ...);
}

}  // namespace

MYR_SHA_TARGET void sha1BlocksShaInstructions(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count) {
  const __m128i bigEndian = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
  __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
  __m128i e0 = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
  for (; count > 0; --count, blocks += 64) {
    const __m128i abcdBefore = abcd;
    const __m128i eBefore = e0;
    __m128i w[4];
    for (int i = 0; i < 4; ++i) {
      w[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * i)), bigEndian);
    }
    __m128i e = _mm_add_epi32(e0, w[0]);
    __m128i previous = abcd;
    eightyRounds(std::make_integer_sequence<int, 20>(), abcd, e, previous, w);
    e0 = _mm_sha1nexte_epu32(previous, eBefore);
    abcd = _mm_add_epi32(abcd, abcdBefore);
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
  state[4] = static_cast<std::uint32_t>(_mm_extract_epi32(e0, 3));
}

#else

bool processorHasShaInstructions() { return false; }

void sha1BlocksShaInstructions(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count) {
  sha1BlocksPortable(state, blocks, count);
}

#endif

}  // namespace myr::disc
