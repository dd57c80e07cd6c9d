// Looks at byte-range locks from outside: what another open of the file would meet.
#pragma once

#include <cstdint>
#include <string>

namespace kestrand::testing_support {

// Whether an open of `path` other than the caller's meets a lock on exactly
// [offset, offset + length) (F_OFD_GETLK from a fresh read-only descriptor).
bool lockedByOthers(const std::string& path, uint64_t offset, uint64_t length = 1);

}  // namespace kestrand::testing_support
