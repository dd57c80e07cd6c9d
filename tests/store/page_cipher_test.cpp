#include "store/page_cipher.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace kestrand {
namespace {

using Block = std::array<uint8_t, kCipherBlockBytes>;

uint32_t getWord(const uint8_t* bytes, std::size_t i) {
  const uint8_t* p = bytes + 4 * i;
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void putWord(uint8_t* bytes, std::size_t i, uint32_t w) {
  for (std::size_t b = 0; b < 4; ++b) bytes[4 * i + b] = static_cast<uint8_t>(w >> (8 * b));
}

// The enciphering pass worked directly on a 64-byte array that serves as key and
// block at once: every step reads its key word from the bytes as they stand.
void selfKeyedPass(Block& bytes) {
  for (std::size_t i = 0; i < 16; ++i) {
    const uint32_t k = getWord(bytes.data(), i);
    const std::size_t j = k % 16;
    const uint32_t x = getWord(bytes.data(), i);
    const uint32_t y = getWord(bytes.data(), j);
    putWord(bytes.data(), j, ((y & k) | (x & ~k)) + k);
    putWord(bytes.data(), i, ((x & k) | (y & ~k)) + k);
  }
}

// The wrong reading of the mixing step: the key copied once before the pass.
void snapshotKeyedPass(Block& bytes) {
  KeySchedule key;
  for (std::size_t i = 0; i < 16; ++i) key[i] = getWord(bytes.data(), i);
  encryptBlock(key, bytes.data());
}

KeySchedule wordsOf(const Block& bytes) {
  KeySchedule key;
  for (std::size_t i = 0; i < 16; ++i) key[i] = getWord(bytes.data(), i);
  return key;
}

// The seed written from the cycle the password's bytes run through: its second byte
// first, the terminating zero in turn, then round to the first byte.
Block seedFromCycle(const std::vector<uint8_t>& cycle) {
  Block seed{};
  for (std::size_t i = 0; i < 64; ++i) seed[(17 * i) % 64] = static_cast<uint8_t>(cycle[i % cycle.size()] + i);
  return seed;
}

TEST(PageCipherTest, ScheduleFollowsThePasswordCycleAndMixesSelfKeyed) {
  struct Case {
    std::string password;
    std::vector<uint8_t> cycle;
  };
  const Case cases[] = {
      {"A", {0, 'A'}},
      {"abc", {'b', 'c', 0, 'a'}},
      {std::string("\xFF\x01", 2), {0x01, 0x00, 0xFF}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.password);
    Block expected = seedFromCycle(c.cycle);
    Block snapshot = expected;
    selfKeyedPass(expected);
    selfKeyedPass(expected);
    EXPECT_EQ(buildKeySchedule(c.password), wordsOf(expected));

    // The test tells the two readings of the mixing step apart.
    snapshotKeyedPass(snapshot);
    snapshotKeyedPass(snapshot);
    EXPECT_NE(wordsOf(snapshot), wordsOf(expected));
  }
}

Block countingBlock() {
  Block block;
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i);
  return block;
}

TEST(PageCipherTest, ZeroKeyRotatesTheWordsByOne) {
  // k = 0 keeps no bits in place: step i swaps words 0 and i, in ascending order.
  const Block plain = countingBlock();
  Block block = plain;
  encryptBlock(KeySchedule{}, block.data());
  for (std::size_t i = 0; i < 64; ++i) EXPECT_EQ(block[i], plain[(i + 60) % 64]) << i;
}

TEST(PageCipherTest, KeyWordsWithTheirOwnIndexAddToLittleEndianWords) {
  KeySchedule key;
  for (std::size_t i = 0; i < 16; ++i) key[i] = static_cast<uint32_t>(i);
  const Block plain = countingBlock();
  Block block = plain;
  encryptBlock(key, block.data());
  for (std::size_t i = 0; i < 64; ++i) {
    EXPECT_EQ(block[i], i % 4 == 0 ? plain[i] + i / 4 : plain[i]) << i;
  }
}

TEST(PageCipherTest, RandomBlocksRoundTripAtAnyAlignment) {
  std::mt19937 rng(4711);
  std::vector<uint8_t> buffer(kCipherBlockBytes + 3);
  for (int round = 0; round < 2000; ++round) {
    KeySchedule key;
    for (std::size_t i = 0; i < 16; ++i) {
      key[i] = static_cast<uint32_t>(rng());
      if (rng() % 3 == 0) key[i] = (key[i] & ~15u) | static_cast<uint32_t>(i);
    }
    uint8_t* block = buffer.data() + round % 4;
    for (std::size_t i = 0; i < kCipherBlockBytes; ++i) block[i] = static_cast<uint8_t>(rng());
    const std::vector<uint8_t> plain(block, block + kCipherBlockBytes);
    encryptBlock(key, block);
    EXPECT_NE(std::vector<uint8_t>(block, block + kCipherBlockBytes), plain);
    decryptBlock(key, block);
    ASSERT_EQ(std::vector<uint8_t>(block, block + kCipherBlockBytes), plain) << round;
  }
}

TEST(PageCipherTest, EqualBlocksEncipherAlike) {
  const KeySchedule key = buildKeySchedule("secret");
  std::vector<uint8_t> transfer(3 * kCipherBlockBytes);
  for (std::size_t i = 0; i < kCipherBlockBytes; ++i) {
    transfer[i] = transfer[2 * kCipherBlockBytes + i] = static_cast<uint8_t>(i * 7);
  }
  for (std::size_t at = 0; at < transfer.size(); at += kCipherBlockBytes) encryptBlock(key, transfer.data() + at);
  EXPECT_EQ(0, std::memcmp(transfer.data(), transfer.data() + 2 * kCipherBlockBytes, kCipherBlockBytes));
  EXPECT_NE(0, std::memcmp(transfer.data(), transfer.data() + kCipherBlockBytes, kCipherBlockBytes));
}

}  // namespace
}  // namespace kestrand
