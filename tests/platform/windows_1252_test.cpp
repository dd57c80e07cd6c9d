#include "platform/windows_1252.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace kestrand::platform {
namespace {

// The C library's own CP1252 converter, as an independent reference; it leaves the
// five undefined positions undefined.
std::optional<std::string> referenceUtf8(unsigned char byte) {
  iconv_t cd = ::iconv_open("UTF-8", "CP1252");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  char in[1] = {static_cast<char>(byte)};
  char out[8] = {};
  char* inPtr = in;
  char* outPtr = out;
  std::size_t inLeft = 1, outLeft = sizeof out;
  std::size_t rc = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  ::iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) return std::nullopt;
  return std::string(out, sizeof out - outLeft);
}

constexpr unsigned char kUndefined[] = {0x81, 0x8D, 0x8F, 0x90, 0x9D};

bool isUndefined(unsigned char byte) {
  for (unsigned char u : kUndefined) {
    if (u == byte) return true;
  }
  return false;
}

TEST(Windows1252, EveryDefinedByteMatchesTheReferenceBothWays) {
  ASSERT_TRUE(referenceUtf8('A').has_value()) << "no CP1252 converter in the C library";
  for (int b = 0; b < 256; ++b) {
    auto byte = static_cast<unsigned char>(b);
    if (isUndefined(byte)) continue;
    std::string single(1, static_cast<char>(byte));
    std::optional<std::string> expected = referenceUtf8(byte);
    ASSERT_TRUE(expected.has_value()) << "byte " << b;
    EXPECT_EQ(utf8From1252(single), *expected) << "byte " << b;
    EXPECT_EQ(utf8To1252(*expected), single) << "byte " << b;
  }
}

TEST(Windows1252, UndefinedPositionsStandForTheirOwnCodePoint) {
  for (unsigned char byte : kUndefined) {
    std::string utf8 = {static_cast<char>(0xC2), static_cast<char>(byte)};
    EXPECT_EQ(utf8From1252(std::string(1, static_cast<char>(byte))), utf8);
    EXPECT_EQ(utf8To1252(utf8), std::string(1, static_cast<char>(byte)));
  }
}

TEST(Windows1252, KnownLettersOfTheHighBlock) {
  EXPECT_EQ(utf8To1252("\u20AC"), "\x80");       // euro sign
  EXPECT_EQ(utf8To1252("\u0160\u0161"), "\x8A\x9A");  // S and s with caron
  EXPECT_EQ(utf8To1252("\u0178\u00FF"), "\x9F\xFF");  // Y and y with diaeresis
  EXPECT_EQ(utf8To1252("B\u00FCcher"), "B\xFC" "cher");
}

TEST(Windows1252, CharactersOutsideTheSetAreRefusedNotReplaced) {
  for (const char* text : {"\u0080", "\u0100", "a\u8868b", "\U0001F600", "\u20AD"}) {
    EXPECT_FALSE(utf8To1252(text).has_value()) << text;
    EXPECT_TRUE(isUtf8(text)) << text;
  }
}

TEST(Windows1252, MalformedUtf8IsNotUtf8) {
  const std::string cases[] = {
      "\x80",             // lone continuation byte
      "\xC3",             // cut short
      "\xC3(",            // bad continuation
      "\xC0\xAF",         // overlong "/"
      "\xE0\x80\xAF",     // overlong, three bytes
      "\xED\xA0\x80",     // surrogate
      "\xF4\x90\x80\x80",  // beyond U+10FFFF
      "\xFF",
      "B\xFC" "cher",     // Windows-1252 text
  };
  for (const std::string& text : cases) {
    EXPECT_FALSE(isUtf8(text)) << testing::PrintToString(text);
    EXPECT_FALSE(utf8To1252(text).has_value()) << testing::PrintToString(text);
  }
  EXPECT_TRUE(isUtf8(""));
  EXPECT_TRUE(isUtf8("plain \u00FC \u20AC \U0010FFFF"));
}

}  // namespace
}  // namespace kestrand::platform
