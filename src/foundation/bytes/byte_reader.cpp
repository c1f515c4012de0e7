#include "foundation/bytes/byte_reader.h"

#include "foundation/bytes/checked_size.h"

namespace myr {

bool ByteReader::seek(std::size_t offset) {
  if (offset > bytes_.size()) {
    failed_ = true;
    return false;
  }
  position_ = offset;
  return true;
}

bool ByteReader::skip(std::size_t count) { return take(count) != nullptr || count == 0; }

const std::uint8_t* ByteReader::take(std::size_t count) {
  if (count > remaining()) {
    failed_ = true;
    return nullptr;
  }
  const std::uint8_t* at = bytes_.data() + position_;
  position_ += count;
  return at;
}

std::uint8_t ByteReader::u8() {
  const std::uint8_t* at = take(1);
  return at ? at[0] : 0;
}

std::uint16_t ByteReader::u16le() {
  const std::uint8_t* at = take(2);
  return at ? static_cast<std::uint16_t>(at[0] | at[1] << 8) : 0;
}

std::uint16_t ByteReader::u16be() {
  const std::uint8_t* at = take(2);
  return at ? static_cast<std::uint16_t>(at[0] << 8 | at[1]) : 0;
}

std::uint32_t ByteReader::u32le() {
  const std::uint8_t* at = take(4);
  return at ? static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
                  static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24
            : 0;
}

std::uint32_t ByteReader::u32be() {
  const std::uint8_t* at = take(4);
  return at ? static_cast<std::uint32_t>(at[0]) << 24 | static_cast<std::uint32_t>(at[1]) << 16 |
                  static_cast<std::uint32_t>(at[2]) << 8 | static_cast<std::uint32_t>(at[3])
            : 0;
}

std::uint64_t ByteReader::u64le() {
  const std::uint8_t* at = take(8);
  std::uint64_t value = 0;
  for (int i = 7; at != nullptr && i >= 0; --i) {
    value = value << 8 | at[i];
  }
  return value;
}

std::span<const std::uint8_t> ByteReader::bytes(std::size_t count) {
  const std::uint8_t* at = take(count);
  return at ? std::span<const std::uint8_t>(at, count) : std::span<const std::uint8_t>();
}

std::string_view ByteReader::text(std::size_t count) {
  const std::span<const std::uint8_t> span = bytes(count);
  return {reinterpret_cast<const char*>(span.data()), span.size()};
}

ByteReader ByteReader::sub(std::size_t offset, std::size_t length) {
  if (!rangeFits(offset, length, bytes_.size())) {
    failed_ = true;
    ByteReader empty;
    empty.failed_ = true;
    return empty;
  }
  return ByteReader(bytes_.subspan(offset, length));
}

}  // namespace myr
