#include "disc/sha1.h"

#include <algorithm>
#include <cassert>

#include "disc/sha1_blocks.h"
#include "foundation/files/ascii_text.h"

namespace myr::disc {
namespace {

constexpr std::uint32_t rotateLeft(std::uint32_t value, int bits) { return (value << bits) | (value >> (32 - bits)); }

std::uint32_t bigEndianWord(const std::uint8_t* bytes) {
  return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 | bytes[3];
}

// The round function and constant of each group of twenty rounds.
template <int Group>
std::uint32_t roundMix(std::uint32_t b, std::uint32_t c, std::uint32_t d) {
  if constexpr (Group == 0)
    return ((c ^ d) & b) ^ d;
  else if constexpr (Group == 2)
    return (b & c) | ((b | c) & d);
  else
    return b ^ c ^ d;
}

constexpr std::uint32_t kRoundConstants[4] = {0x5A827999u, 0x6ED9EBA1u, 0x8F1BBCDCu, 0xCA62C1D6u};

// Twenty rounds over a ring of sixteen message words; five rounds per pass rotate the roles
// of the working variables instead of moving them.
template <int Group>
void twentyRounds(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d, std::uint32_t& e,
                  std::uint32_t* w) {
  const auto round = [w](int t, std::uint32_t v, std::uint32_t& x, std::uint32_t y, std::uint32_t z,
                         std::uint32_t& sum) {
    std::uint32_t word;
    if (t < 16) {
      word = w[t];
    } else {
      word = rotateLeft(w[(t + 13) & 15] ^ w[(t + 8) & 15] ^ w[(t + 2) & 15] ^ w[t & 15], 1);
      w[t & 15] = word;
    }
    sum += rotateLeft(v, 5) + roundMix<Group>(x, y, z) + kRoundConstants[Group] + word;
    x = rotateLeft(x, 30);
  };
  for (int t = Group * 20; t < Group * 20 + 20; t += 5) {
    round(t, a, b, c, d, e);
    round(t + 1, e, a, b, c, d);
    round(t + 2, d, e, a, b, c);
    round(t + 3, c, d, e, a, b);
    round(t + 4, b, c, d, e, a);
  }
}

}  // namespace

void sha1BlocksPortable(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count) {
  for (; count > 0; --count, blocks += 64) {
    std::uint32_t w[16];
    for (int t = 0; t < 16; ++t) w[t] = bigEndianWord(blocks + 4 * t);
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    twentyRounds<0>(a, b, c, d, e, w);
    twentyRounds<1>(a, b, c, d, e, w);
    twentyRounds<2>(a, b, c, d, e, w);
    twentyRounds<3>(a, b, c, d, e, w);
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
  }
}

Sha1::Sha1() : Sha1(hasProcessorInstructions() ? Engine::ProcessorInstructions : Engine::Portable) {}

Sha1::Sha1(Engine engine)
    : blocks_(engine == Engine::ProcessorInstructions ? &sha1BlocksShaInstructions : &sha1BlocksPortable) {
  assert(engine == Engine::Portable || hasProcessorInstructions());
}

bool Sha1::hasProcessorInstructions() {
  static const bool has = processorHasShaInstructions();
  return has;
}

void Sha1::update(std::span<const std::uint8_t> bytes) {
  totalBytes_ += bytes.size();
  if (pendingSize_ > 0) {
    const std::size_t taken = std::min(bytes.size(), pending_.size() - pendingSize_);
    std::copy_n(bytes.begin(), taken, pending_.begin() + pendingSize_);
    pendingSize_ += taken;
    bytes = bytes.subspan(taken);
    if (pendingSize_ < pending_.size()) return;
    blocks_(state_.data(), pending_.data(), 1);
    pendingSize_ = 0;
  }
  const std::size_t wholeBlocks = bytes.size() / 64;
  if (wholeBlocks > 0) blocks_(state_.data(), bytes.data(), wholeBlocks);
  bytes = bytes.subspan(wholeBlocks * 64);
  std::copy(bytes.begin(), bytes.end(), pending_.begin());
  pendingSize_ = bytes.size();
}

void Sha1::update(std::string_view bytes) {
  update(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

std::string Sha1::hexDigest() const {
  Sha1 last = *this;
  const std::uint64_t bitCount = totalBytes_ * 8;
  std::array<std::uint8_t, 72> padding{0x80};
  const std::size_t zeros = (pendingSize_ < 56 ? 56 : 120) - pendingSize_;
  for (int i = 0; i < 8; ++i) padding[zeros + i] = static_cast<std::uint8_t>(bitCount >> (56 - 8 * i));
  last.update(std::span<const std::uint8_t>(padding.data(), zeros + 8));
  std::string hex;
  for (const std::uint32_t word : last.state_) {
    for (int shift = 28; shift >= 0; shift -= 4) hex += kLowerHexDigits[(word >> shift) & 0xF];
  }
  return hex;
}

}  // namespace myr::disc
