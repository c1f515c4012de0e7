#include "foundation/bytes/byte_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "foundation/bytes/checked_size.h"

namespace myr {
namespace {

const std::vector<std::uint8_t> kBytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};

TEST(ByteReader, ReadsBothByteOrders) {
  ByteReader reader{std::span(kBytes)};
  EXPECT_EQ(reader.u16le(), 0x0201);
  EXPECT_EQ(reader.u16be(), 0x0304);
  reader.seek(0);
  EXPECT_EQ(reader.u32le(), 0x04030201u);
  EXPECT_EQ(reader.u32be(), 0x05060708u);
  reader.seek(1);
  EXPECT_EQ(reader.u64le(), 0x0908070605040302u);
  EXPECT_EQ(reader.remaining(), 0u);
  EXPECT_FALSE(reader.failed());
}

// A read that does not fit returns zero, keeps the cursor and fails every later check.
TEST(ByteReader, AReadPastTheEndFailsForGoodAndMovesNothing) {
  struct Case {
    const char* name;
    std::size_t start;
    std::function<bool(ByteReader&)> read;  // true when the read gave its empty value
  };
  const Case cases[] = {
      {"u8 at the end", 9, [](ByteReader& r) { return r.u8() == 0; }},
      {"u16 one short", 8, [](ByteReader& r) { return r.u16le() == 0; }},
      {"u32 three short", 6, [](ByteReader& r) { return r.u32be() == 0; }},
      {"u64 one short", 2, [](ByteReader& r) { return r.u64le() == 0; }},
      {"bytes one short", 5, [](ByteReader& r) { return r.bytes(5).empty(); }},
      {"huge count", 1, [](ByteReader& r) { return r.bytes(std::numeric_limits<std::size_t>::max()).empty(); }},
      {"skip past", 4, [](ByteReader& r) { return !r.skip(6); }},
      {"seek past", 0, [](ByteReader& r) { return !r.seek(10); }},
  };
  for (const Case& c : cases) {
    ByteReader reader{std::span(kBytes)};
    reader.seek(c.start);
    EXPECT_TRUE(c.read(reader)) << c.name;
    EXPECT_TRUE(reader.failed()) << c.name;
    EXPECT_EQ(reader.position(), c.start) << c.name;
    // Later reads that fit still work, but the failure stays.
    reader.seek(0);
    EXPECT_EQ(reader.u8(), 1) << c.name;
    EXPECT_TRUE(reader.failed()) << c.name;
  }
}

TEST(ByteReader, SubReadersStayInsideTheirRange) {
  ByteReader reader{std::span(kBytes)};
  ByteReader inner = reader.sub(2, 3);
  EXPECT_EQ(inner.size(), 3u);
  EXPECT_EQ(inner.u16le(), 0x0403);
  EXPECT_EQ(inner.u16le(), 0);
  EXPECT_TRUE(inner.failed());
  EXPECT_FALSE(reader.failed());

  for (const auto& [offset, length] :
       {std::pair<std::size_t, std::size_t>{8, 2}, {10, 0}, {1, std::numeric_limits<std::size_t>::max()}}) {
    ByteReader outer{std::span(kBytes)};
    ByteReader outside = outer.sub(offset, length);
    EXPECT_TRUE(outside.failed()) << offset << "+" << length;
    EXPECT_EQ(outside.size(), 0u);
    EXPECT_TRUE(outer.failed());
  }
  ByteReader whole{std::span(kBytes)};
  EXPECT_EQ(whole.sub(9, 0).size(), 0u);
  EXPECT_FALSE(whole.failed());
}

TEST(CheckedSize, RefusesWhatWouldWrap) {
  constexpr auto kMax = std::numeric_limits<std::uint32_t>::max();
  EXPECT_EQ(checkedAdd<std::uint32_t>(kMax - 1, 1), kMax);
  EXPECT_FALSE(checkedAdd<std::uint32_t>(kMax, 1));
  EXPECT_EQ(checkedMul<std::uint32_t>(65535, 65537), kMax);
  EXPECT_FALSE(checkedMul<std::uint32_t>(65536, 65536));
  EXPECT_EQ(checkedMul<std::uint32_t>(0, kMax), 0u);
  EXPECT_TRUE(rangeFits<std::uint32_t>(kMax, 0, kMax));
  EXPECT_FALSE(rangeFits<std::uint32_t>(2, kMax, kMax));
  EXPECT_FALSE(rangeFits<std::uint32_t>(kMax, 1, kMax));
}

}  // namespace
}  // namespace myr
