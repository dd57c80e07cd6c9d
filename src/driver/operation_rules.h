// One fixed rule per operation code: what the operation needs and forbids in the
// OptionFlags, what it sets and clears, and what the entry does after it succeeds.
#pragma once

#include <cstdint>

namespace kestrand {

struct OperationRule {
  uint32_t postActions = 0;     // E0: after success, kPost* bits
  uint32_t required = 0;        // E1: bits the operation needs
  uint32_t forbidden = 0;       // E2: bits that must not be set
  uint32_t set = 0;             // E3: bits set after success
  uint32_t clear = 0;           // E4: bits cleared after success
  uint32_t clearOnFailure = 0;  // E5: bits cleared after a failure
};

// The rule of a code 0..104; an all-zero rule for any other code.
const OperationRule& operationRule(int32_t code);

// Whether the operation's first further argument is a KeyDeclaration.
bool takesKeyArgument(int32_t code);

}  // namespace kestrand
