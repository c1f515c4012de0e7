#pragma once

// Streaming SHA-1 (FIPS 180-4). The game's files are verified against SHA-1 digests while
// gigabytes stream through, so processors with SHA instructions use them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace myr::disc {

class Sha1 {
 public:
  enum class Engine { Portable, ProcessorInstructions };

  // The processor's SHA instructions where it has them.
  Sha1();
  // Engine::ProcessorInstructions only where hasProcessorInstructions().
  explicit Sha1(Engine engine);

  static bool hasProcessorInstructions();

  void update(std::span<const std::uint8_t> bytes);
  void update(std::string_view bytes);
  // 40 lower-case hexadecimal digits of everything given so far; more may still follow.
  std::string hexDigest() const;

 private:
  using BlockFunction = void (*)(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count);

  std::array<std::uint32_t, 5> state_{0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
  std::array<std::uint8_t, 64> pending_{};
  std::size_t pendingSize_ = 0;
  std::uint64_t totalBytes_ = 0;
  BlockFunction blocks_;
};

}  // namespace myr::disc
