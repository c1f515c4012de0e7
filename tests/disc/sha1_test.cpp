#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "disc/disc_fixtures.h"
#include "disc/parallel_sha1.h"
#include "disc/sha1.h"

namespace myr::disc {
namespace {

std::vector<Sha1::Engine> engines() {
  std::vector<Sha1::Engine> all{Sha1::Engine::Portable};
  if (Sha1::hasProcessorInstructions()) all.push_back(Sha1::Engine::ProcessorInstructions);
  return all;
}

std::string digestOf(Sha1::Engine engine, std::string_view bytes) {
  Sha1 sha(engine);
  sha.update(bytes);
  return sha.hexDigest();
}

TEST(Sha1, StandardVectors) {
  struct Case {
    std::string input;
    std::string digest;
  };
  const Case cases[] = {
      {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrst"
       "u",
       "a49b2446a02c645bf419f995b67091253a04a259"},
      {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
  };
  for (const Sha1::Engine engine : engines()) {
    for (const Case& c : cases) {
      EXPECT_EQ(digestOf(engine, c.input), c.digest)
          << "engine " << static_cast<int>(engine) << ", " << c.input.size() << " bytes";
    }
  }
}

// Every length around the padding boundaries, fed whole and in random pieces.
TEST(Sha1, EnginesAgreeOnRandomInputsAndSplits) {
  std::mt19937 random(404);
  for (std::size_t length = 0; length <= 300; ++length) {
    std::string bytes(length, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    const std::string whole = digestOf(Sha1::Engine::Portable, bytes);
    for (const Sha1::Engine engine : engines()) {
      Sha1 pieces(engine);
      for (std::size_t at = 0; at < length;) {
        const std::size_t piece = std::min<std::size_t>(length - at, random() % 70);
        pieces.update(std::string_view(bytes).substr(at, piece));
        at += piece;
      }
      ASSERT_EQ(pieces.hexDigest(), whole) << length << " bytes";
    }
  }
}

TEST(Sha1, DigestCanBeTakenAndStreamingGoesOn) {
  Sha1 sha;
  sha.update(std::string_view("ab"));
  EXPECT_EQ(sha.hexDigest(), digestOf(Sha1::Engine::Portable, "ab"));
  sha.update(std::string_view("c"));
  EXPECT_EQ(sha.hexDigest(), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

// 64 MiB whose digest sha1sum computed when the fixtures were made.
TEST(Sha1, LargeStreamMatchesSha1sum) {
  const std::string bytes = testing::readWholeFile(testing::fixturePath("stream.bin"));
  const std::string expected = testing::readWholeFile(testing::fixturePath("stream.sha1")).substr(0, 40);
  for (const Sha1::Engine engine : engines()) {
    Sha1 sha(engine);
    const std::string_view all = bytes;
    for (std::size_t at = 0; at < all.size(); at += 1000003) sha.update(all.substr(at, 1000003));
    EXPECT_EQ(sha.hexDigest(), expected) << "engine " << static_cast<int>(engine);
  }
}

// Files of random sizes one after the other through a small ring of slots, each slot written to
// completely before it is handed over, as the extraction does.
TEST(ParallelSha1, GivesTheDigestOfEachFileInTurn) {
  std::mt19937 random(7);
  ParallelSha1 hasher(1000, 3);
  for (int file = 0; file < 20; ++file) {
    std::string bytes(random() % 7000, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    for (std::size_t at = 0; at < bytes.size();) {
      const std::span<std::uint8_t> slot = hasher.nextSlot();
      const std::size_t size = std::min<std::size_t>(1 + random() % slot.size(), bytes.size() - at);
      std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), size, slot.begin());
      hasher.submit(size);
      at += size;
    }
    ASSERT_EQ(hasher.finish(), digestOf(Sha1::Engine::Portable, bytes)) << "file " << file;
  }
  // Ends cleanly with chunks still waiting.
  for (int i = 0; i < 3; ++i) {
    hasher.nextSlot();
    hasher.submit(1000);
  }
}

}  // namespace
}  // namespace myr::disc
