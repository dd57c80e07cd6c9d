#include "platform/windows_1252.h"

#include <cstdint>

namespace kestrand::platform {

namespace {
// 0x80..0x9F, the only block where Windows-1252 differs from Latin-1.
constexpr char32_t kHighBlock[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    // Windows-1252 holds nothing beyond the Basic Multilingual Plane.
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one UTF-8 sequence at text[pos], advancing pos; none when malformed.
std::optional<char32_t> decodeUtf8(std::string_view text, std::size_t& pos) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  struct Form {
    unsigned char mask;  // lead bits that mark the form
    unsigned char mark;
    std::size_t length;
    char32_t minimum;  // shorter forms are overlong
  };
  constexpr Form kForms[] = {{0xE0, 0xC0, 2, 0x80}, {0xF0, 0xE0, 3, 0x800}, {0xF8, 0xF0, 4, 0x10000}};
  const Form* form = nullptr;
  for (const Form& f : kForms) {
    if ((lead & f.mask) == f.mark) form = &f;
  }
  if (form == nullptr) return std::nullopt;
  const std::size_t length = form->length;
  const char32_t minimum = form->minimum;
  char32_t cp = lead & static_cast<unsigned char>(~form->mask);
  if (text.size() - pos < length) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    unsigned char next = byte(pos + i);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
  pos += length;
  return cp;
}
}  // namespace

char32_t codePointOf1252(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighBlock[byte - 0x80];
  return byte;
}

std::optional<unsigned char> byteOf1252(char32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return static_cast<unsigned char>(codePoint);
  for (unsigned i = 0; i < 32; ++i) {
    if (kHighBlock[i] == codePoint) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

bool isUtf8(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (!decodeUtf8(text, pos)) return false;
  }
  return true;
}

std::string utf8From1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) appendUtf8(out, codePointOf1252(static_cast<unsigned char>(c)));
  return out;
}

std::optional<std::string> utf8To1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::optional<char32_t> cp = decodeUtf8(text, pos);
    if (!cp) return std::nullopt;
    std::optional<unsigned char> byte = byteOf1252(*cp);
    if (!byte) return std::nullopt;
    out += static_cast<char>(*byte);
  }
  return out;
}

}  // namespace kestrand::platform
