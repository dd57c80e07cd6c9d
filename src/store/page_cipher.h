// Password encryption of everything the driver transfers to or from a data file:
// each 64-byte block on its own, in place, keyed by a 64-byte schedule derived from
// the password alone. Blocks and key are 16 little-endian 32-bit words.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kestrand {

inline constexpr std::size_t kCipherBlockBytes = 64;

using KeySchedule = std::array<uint32_t, 16>;

// The schedule of a non-empty password (the bytes as given; no terminator needed).
KeySchedule buildKeySchedule(std::string_view password);

// In place on 64 bytes; no allocation. decryptBlock undoes encryptBlock exactly.
void encryptBlock(const KeySchedule& key, uint8_t* block);
void decryptBlock(const KeySchedule& key, uint8_t* block);

}  // namespace kestrand
