// The string table of error texts: file error codes 2..96 and system error codes
// 301..391 (300 + the system's error number).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrand {

// The string table's own entry for a code, or none.
std::optional<std::string_view> stringTableText(int32_t code);

// The text of a code: 0 counts as 81; a locale replacement text wins; a code
// without an entry gives "Unknown Error Posted : <code>". At most 255 characters.
std::string errorCodeText(int32_t code);

}  // namespace kestrand
