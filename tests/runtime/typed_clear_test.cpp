#include "runtime/typed_clear.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <vector>

namespace kestrand::runtime {
namespace {

std::vector<uint8_t> cleared(ValueKind kind, std::size_t size, int32_t value, std::size_t count = 1) {
  std::vector<uint8_t> bytes(size * count, 0xAA);
  clearValues(kind, bytes.data(), size, count, value);
  return bytes;
}

template <typename T>
T as(const std::vector<uint8_t>& bytes) {
  T value;
  std::memcpy(&value, bytes.data(), sizeof value);
  return value;
}

using Bytes = std::vector<uint8_t>;

TEST(TypedClear, NumbersByTheSignOfTheValue) {
  EXPECT_EQ(as<int16_t>(cleared(ValueKind::signedInteger, 2, 0)), 0);
  EXPECT_EQ(as<int16_t>(cleared(ValueKind::signedInteger, 2, 1)), INT16_MAX);
  EXPECT_EQ(as<int32_t>(cleared(ValueKind::signedInteger, 4, -5)), INT32_MIN);
  EXPECT_EQ(as<uint8_t>(cleared(ValueKind::unsignedInteger, 1, 1)), 0xFF);
  EXPECT_EQ(as<uint32_t>(cleared(ValueKind::unsignedInteger, 4, -1)), 0u);
  EXPECT_EQ(as<double>(cleared(ValueKind::real, 8, 0)), 0.0);
  EXPECT_EQ(as<double>(cleared(ValueKind::real, 8, 1)), DBL_MAX);
  EXPECT_EQ(as<float>(cleared(ValueKind::real, 4, -1)), -FLT_MAX);
  EXPECT_EQ(cleared(ValueKind::bcdDecimal, 3, 0), (Bytes{0, 0, 0}));
  EXPECT_EQ(cleared(ValueKind::bcdDecimal, 3, 1), (Bytes{0x09, 0x99, 0x99}));
  EXPECT_EQ(cleared(ValueKind::bcdDecimal, 3, -1), (Bytes{0xF9, 0x99, 0x99}));
}

TEST(TypedClear, TextsByTheSignOfTheValue) {
  EXPECT_EQ(cleared(ValueKind::text, 3, 0), (Bytes{' ', ' ', ' '}));
  EXPECT_EQ(cleared(ValueKind::text, 3, 1), (Bytes{0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(cleared(ValueKind::text, 3, -1), (Bytes{0, 0, 0}));
  EXPECT_EQ(cleared(ValueKind::cText, 3, 0), (Bytes{0, 0, 0}));
  EXPECT_EQ(cleared(ValueKind::cText, 3, 1), (Bytes{0xFF, 0xFF, 0}));
  EXPECT_EQ(cleared(ValueKind::pascalText, 3, 0), (Bytes{0, 0, 0}));
  EXPECT_EQ(cleared(ValueKind::pascalText, 3, 1), (Bytes{2, 0xFF, 0xFF}));
}

TEST(TypedClear, EveryElementOfAnArrayAndUnknownSizesAsZeroBytes) {
  EXPECT_EQ(cleared(ValueKind::signedInteger, 2, 1, 2), (Bytes{0xFF, 0x7F, 0xFF, 0x7F}));
  EXPECT_EQ(cleared(ValueKind::signedInteger, 3, 1), (Bytes{0, 0, 0}));
  EXPECT_EQ(cleared(ValueKind::raw, 2, 1), (Bytes{0, 0}));
}

}  // namespace
}  // namespace kestrand::runtime
