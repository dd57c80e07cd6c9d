// A text in the program's memory, named by a pointer and a signed length.
#pragma once

#include <cstdint>
#include <string>

namespace kestrand {

// Length forms of a TextReference.
inline constexpr int32_t kTextNulTerminated = -1;
inline constexpr int32_t kTextLengthPrefixed = -2;  // first byte is the length
inline constexpr int32_t kTextNone = 0;             // also when the pointer is null
// n > 0: a fixed-length text of n characters, padded with spaces.

struct TextReference {
  const char* text = nullptr;
  int32_t length = kTextNone;
};

// The text as the program holds it (a fixed-length text keeps its padding).
std::string textAsHeld(const TextReference& ref);

// The driver's copy: as held, but a fixed-length text loses its trailing spaces.
std::string driverCopy(const TextReference& ref);

}  // namespace kestrand
