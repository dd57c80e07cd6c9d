// The runtime's last-in-first-out stack of operation texts. The caller pushes an
// operation's texts in order before the call; the driver takes them off, the last
// pushed first; an operation with a text result leaves exactly one text on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>

namespace kestrand {

// A reference to bytes the driver keeps (BLOB_YIELD leaves one of these).
struct ByteReference {
  const uint8_t* data = nullptr;
  std::size_t size = 0;
};

using StackValue = std::variant<std::string, ByteReference>;

void pushText(std::string text);
void pushReference(ByteReference ref);
// Takes the top value off; an empty stack gives an empty text.
StackValue popValue();
// Takes the top value off as a text (a reference gives its bytes).
std::string popText();
std::size_t textStackDepth();
void clearTextStack();

}  // namespace kestrand
