#include "runtime/locale_tables.h"

#include <gtest/gtest.h>

namespace kestrand::runtime {
namespace {

TEST(LocaleTables, DefaultsUpperCaseOnlyAsciiLetters) {
  std::string name = "orders_2026 \xE9t\xE9";  // é stays: the default tables know only A-Z
  upperCaseInPlace(name);
  EXPECT_EQ(name, "ORDERS_2026 \xE9T\xE9");
}

TEST(LocaleTables, StoredFormIs1152BytesInTheStatedOrder) {
  LocaleTables tables = defaultLocaleTables();
  std::array<uint8_t, kLocaleTablesBytes> bytes = tables.serialize();
  EXPECT_EQ(bytes[0x41], 0x41);           // ANSI collation: own code
  EXPECT_EQ(bytes[256 + 0xE9], 0xE9);     // OEM collation: own code
  EXPECT_EQ(bytes[512 + 'a'], 'A');       // case partners
  EXPECT_EQ(bytes[512 + 'Z'], 'z');
  EXPECT_EQ(bytes[512 + '1'], 0);
  EXPECT_EQ(bytes[768 + 'Q'], kClassUpper);
  EXPECT_EQ(bytes[768 + 'q'], kClassLower);
  EXPECT_EQ(bytes[768 + '7'], kClassDigit);
  EXPECT_EQ(bytes[768 + '-'], 0);
  for (std::size_t i = 1024; i < kLocaleTablesBytes; ++i) EXPECT_EQ(bytes[i], 0) << i;
  LocaleTables back = LocaleTables::parse(bytes.data());
  EXPECT_EQ(back.serialize(), bytes);
}

TEST(LocaleTables, ReplacedTablesDriveTheCaseMap) {
  LocaleTables tables = defaultLocaleTables();
  tables.charClass[0xE9] = kClassLower;
  tables.casePartner[0xE9] = 0xC9;
  setCurrentLocaleTables(tables);
  std::string name = "caf\xE9";
  upperCaseInPlace(name);
  setCurrentLocaleTables(defaultLocaleTables());
  EXPECT_EQ(name, "CAF\xC9");
}

}  // namespace
}  // namespace kestrand::runtime
