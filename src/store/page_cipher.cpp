#include "store/page_cipher.h"

#include <bit>
#include <cstring>

namespace kestrand {

namespace {

// Blocks arrive as unaligned byte buffers: copy them into words and back. On a
// little-endian host the copy is the whole conversion.
void loadWords(const uint8_t* bytes, uint32_t* words) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(words, bytes, kCipherBlockBytes);
  } else {
    for (std::size_t i = 0; i < 16; ++i) {
      const uint8_t* p = bytes + 4 * i;
      words[i] = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
    }
  }
}

void storeWords(const uint32_t* words, uint8_t* bytes) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(bytes, words, kCipherBlockBytes);
  } else {
    for (std::size_t i = 0; i < 16; ++i) {
      uint8_t* p = bytes + 4 * i;
      p[0] = static_cast<uint8_t>(words[i]);
      p[1] = static_cast<uint8_t>(words[i] >> 8);
      p[2] = static_cast<uint8_t>(words[i] >> 16);
      p[3] = static_cast<uint8_t>(words[i] >> 24);
    }
  }
}

// One enciphering pass. `key` may be the very words being enciphered: each step reads
// its key word before it writes anything, so it sees what earlier steps left there.
void encipherWords(const uint32_t* key, uint32_t* b) {
  for (std::size_t i = 0; i < 16; ++i) {
    const uint32_t k = key[i];
    const std::size_t j = k & 15u;
    const uint32_t x = b[i];
    const uint32_t y = b[j];
    b[j] = ((y & k) | (x & ~k)) + k;
    b[i] = ((x & k) | (y & ~k)) + k;
  }
}

void decipherWords(const uint32_t* key, uint32_t* b) {
  for (std::size_t n = 16; n-- > 0;) {
    const uint32_t k = key[n];
    const std::size_t j = k & 15u;
    const uint32_t x = b[n] - k;
    const uint32_t y = b[j] - k;
    b[n] = (x & k) | (y & ~k);
    b[j] = (y & k) | (x & ~k);
  }
}

}  // namespace

KeySchedule buildKeySchedule(std::string_view password) {
  // The password with its terminating zero byte, taken from its second byte on and
  // spread over the 64 bytes in steps of 17 (odd, so every byte is written once).
  const std::size_t m = password.size() + 1;
  uint8_t bytes[kCipherBlockBytes];
  for (std::size_t i = 0; i < kCipherBlockBytes; ++i) {
    const std::size_t at = (i + 1) % m;
    const uint8_t s = at < password.size() ? static_cast<uint8_t>(password[at]) : 0;
    bytes[(17 * i) % kCipherBlockBytes] = static_cast<uint8_t>(s + i);
  }
  KeySchedule schedule;
  loadWords(bytes, schedule.data());
  // Mixed twice by enciphering it under itself.
  encipherWords(schedule.data(), schedule.data());
  encipherWords(schedule.data(), schedule.data());
  return schedule;
}

void encryptBlock(const KeySchedule& key, uint8_t* block) {
  uint32_t words[16];
  loadWords(block, words);
  encipherWords(key.data(), words);
  storeWords(words, block);
}

void decryptBlock(const KeySchedule& key, uint8_t* block) {
  uint32_t words[16];
  loadWords(block, words);
  decipherWords(key.data(), words);
  storeWords(words, block);
}

}  // namespace kestrand
