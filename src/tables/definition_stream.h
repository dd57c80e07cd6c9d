// The stored TableDefinition: a byte stream kept in DefinitionBlock records of 512
// bytes, written when a table is created, compared with the program's declaration
// when it is opened, and read when the program declared no record.
//
// Stream (numbers 16 bits little-endian unless marked 8; strings: characters and a 0
// byte, an empty string 0 0, an absent one 0 1):
//   version (2 when a memo is a BLOB, else 1), record length, field, memo, key counts
//   per field: type 8, offset, name, elements, size, over flag, field number,
//              DECIMAL/PDECIMAL: places 8, element bytes 8;
//              STRING/CSTRING/PSTRING: element length, picture (without its "@")
//   per memo:  external name, label, size, flags (2 BINARY, 4 BLOB)
//   per key:   external name, label, flags 8, component count,
//              per component: field number, descending flag
#pragma once

#include <cstdint>

#include "driver/driver_context.h"

namespace kestrand {

enum class DefinitionMode : uint8_t { write = 0, compare = 1, read = 2 };

inline constexpr int kDefinitionMatches = 0;
inline constexpr int kDefinitionNamesDiffer = 1;  // names or pictures only: accepted
inline constexpr int kDefinitionDiffers = 2;      // the structure differs

// Writes the context's definition (0), compares it with the stored one (0, 1 or 2), or
// replaces the context's record length and descriptors by the stored ones (0, or 2
// when the stored definition is beyond what a declaration may hold). Uses the
// context's DataFile and TableNumber.
int exchangeDefinition(DriverContext& ctx, DefinitionMode mode);

}  // namespace kestrand
