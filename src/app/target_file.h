// The front end's one file: the block for the table to be removed, the variables
// holding its full name and password, and the procedure that removes it.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "filelayer/error_state.h"
#include "filelayer/file_control_block.h"

namespace kestrand {

inline constexpr std::size_t kTargetNameLength = 260;  // fixed length, space padded
inline constexpr std::size_t kTargetOwnerSize = 100;   // NUL-terminated: at most 99 characters

extern std::array<char, kTargetNameLength> targetName;
extern std::array<char, kTargetOwnerSize> targetOwner;
// Name: targetName, fixed-length; owner: targetOwner, NUL-terminated; ENCRYPT only;
// an empty record, no keys, no memos.
extern FileControlBlock targetFile;

// Stores the name (cut to 260, space padded) and the clipped password (cut to 99) in
// the variables and issues REMOVE on targetFile; the result is the error code REMOVE
// left, 0 when the table was removed. A blank name returns 0 and issues nothing.
ErrorCode removeNamedTable(std::string_view name, std::string_view password);

}  // namespace kestrand
