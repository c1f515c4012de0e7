#pragma once

// A cursor over bytes from outside (disc images, pictures, memory cards, manifests). Every read
// is bounded by the span; a read past the end sets a sticky failure flag, returns zeros or an
// empty span, and leaves the cursor where it was, so a parser can read a whole record and
// check failed() once.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace myr {

class ByteReader {
 public:
  ByteReader() = default;
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  explicit ByteReader(std::string_view bytes)
      : bytes_(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()) {}

  std::size_t size() const { return bytes_.size(); }
  std::size_t position() const { return position_; }
  std::size_t remaining() const { return bytes_.size() - position_; }
  bool failed() const { return failed_; }
  // Marks the input as unusable, for checks a parser makes on values it read.
  void fail() { failed_ = true; }

  // Moves to an absolute offset; the end itself is a valid position.
  bool seek(std::size_t offset);
  bool skip(std::size_t count);

  std::uint8_t u8();
  std::uint16_t u16le();
  std::uint16_t u16be();
  std::uint32_t u32le();
  std::uint32_t u32be();
  std::uint64_t u64le();
  // The next count bytes; empty (and failed) when fewer remain.
  std::span<const std::uint8_t> bytes(std::size_t count);
  std::string_view text(std::size_t count);

  // A reader over [offset, offset + length) of the whole span, its cursor at 0; a failed
  // empty reader (and this one failed) when the range does not fit.
  ByteReader sub(std::size_t offset, std::size_t length);

 private:
  // Null when count bytes do not remain.
  const std::uint8_t* take(std::size_t count);

  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
  bool failed_ = false;
};

}  // namespace myr
