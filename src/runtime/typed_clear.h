// The runtime's typed clear of values in a record buffer. A clear value of 0 gives
// each value its empty form (numbers 0, STRING spaces, CSTRING and PSTRING the empty
// text); a positive value gives the highest and a negative value the lowest value of
// its kind.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrand::runtime {

// How the runtime holds a value, as far as clearing is concerned.
enum class ValueKind : uint8_t {
  unsignedInteger,  // 1, 2, 4 or 8 bytes, native order
  signedInteger,
  real,         // 4 or 8 bytes
  bcdDecimal,   // sign in the first byte's high nibble, then packed digits
  text,         // space-padded
  cText,        // NUL-terminated within its size
  pascalText,   // a length byte, then the characters
  raw,          // anything else: zero bytes whatever the clear value
};

// Clears `count` values of `size` bytes each, starting at `at`.
void clearValues(ValueKind kind, uint8_t* at, std::size_t size, std::size_t count, int32_t value);

}  // namespace kestrand::runtime
