// The system's ANSI character set, Windows-1252, and its conversion to and from the
// UTF-8 of a Linux terminal. Table names and passwords are stored in Windows-1252 by
// the programs that make these files, so what a user types must reach the driver in
// it; what the program shows is converted back for the terminal.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrand::platform {

// The Unicode code point of a Windows-1252 byte. The five positions the character set
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the code point of the
// same number, as the system's own conversion has it, so every byte round-trips.
char32_t codePointOf1252(unsigned char byte);

// The Windows-1252 byte of a code point, or none when the set cannot represent it.
std::optional<unsigned char> byteOf1252(char32_t codePoint);

// True when the text is well-formed UTF-8 (no overlong forms, no surrogates, nothing
// beyond U+10FFFF).
bool isUtf8(std::string_view text);

// Windows-1252 text as UTF-8.
std::string utf8From1252(std::string_view text);

// UTF-8 text as Windows-1252; none when the text is not well-formed UTF-8 or holds a
// character the set cannot represent. Nothing is ever replaced by a stand-in
// character: a changed name could name another table.
std::optional<std::string> utf8To1252(std::string_view text);

}  // namespace kestrand::platform
